# cmake -P inputs.cmake FILE...: fails unless every FILE exists, saying which
# are missing and what builds them.
set(missing)
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE 3 ${last})  # after cmake, -P and this script
  if(NOT EXISTS "${CMAKE_ARGV${i}}")
    list(APPEND missing "${CMAKE_ARGV${i}}")
  endif()
endforeach()
if(missing)
  list(JOIN missing ", " missing)
  message(FATAL_ERROR "not built: ${missing}; the target test-inputs builds what the tests use "
                      "(make test does, or: cmake --build BUILD --target test-inputs)")
endif()
