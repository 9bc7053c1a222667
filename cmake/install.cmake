# What `cmake --install` puts where: the tool with its manual page and bash
# completion; the libraries with their headers, a CMake package and a
# pkg-config file for other projects to build against them; README and
# licence. Then the Debian package of all of it (cpack -G DEB).
#
# Included at the end of the top-level CMakeLists.txt, so that every target
# exists; a library that is not there (the analysis layer, in a tree without
# it) is left out, and so are the packages only it depends on.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(LOOPCOST_INSTALL_HEADERDIR ${CMAKE_INSTALL_INCLUDEDIR}/loopcost)
set(LOOPCOST_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/loopcost)
set(LOOPCOST_INSTALL_PKGCONFIGDIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

set(loopcost_installed_libraries)  # the targets
set(loopcost_installed_components) # their names in the loopcost:: namespace
set(loopcost_installed_headers)    # file names, all in one directory
set(loopcost_package_dependencies) # packages whose targets the libraries link

# A pkg-config file for a library. The prefix is the one installed to, known
# only when installing (cmake --install --prefix, CPack), so the file is
# written then; the rest is filled in now.
function(loopcost_install_pkgconfig name)
  set(LOOPCOST_PC_PREFIX "@LOOPCOST_PC_PREFIX@")
  foreach(kind IN ITEMS LIBDIR INCLUDEDIR)
    if(IS_ABSOLUTE "${CMAKE_INSTALL_${kind}}")
      set(LOOPCOST_PC_${kind} "${CMAKE_INSTALL_${kind}}")
    else()
      set(LOOPCOST_PC_${kind} "\${prefix}/${CMAKE_INSTALL_${kind}}")
    endif()
  endforeach()
  set(template ${PROJECT_BINARY_DIR}/pkgconfig/${name}.pc.in)
  set(output ${PROJECT_BINARY_DIR}/pkgconfig/${name}.pc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/loopcost.pc.in ${template} @ONLY)
  install(CODE "
    cmake_path(ABSOLUTE_PATH CMAKE_INSTALL_PREFIX NORMALIZE OUTPUT_VARIABLE LOOPCOST_PC_PREFIX)
    configure_file(\"${template}\" \"${output}\" @ONLY)"
    COMPONENT development)
  install(FILES ${output} DESTINATION ${LOOPCOST_INSTALL_PKGCONFIGDIR} COMPONENT development)
endfunction()

# Installs a static library as loopcost::<component> with the headers beside
# its sources, and its pkg-config file <file_name>.pc (with _ as -).
function(loopcost_install_library target component file_name description)
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${component} OUTPUT_NAME ${file_name})
  target_compile_features(${target} PUBLIC cxx_std_17)
  if(NOT TARGET loopcost::${component})
    add_library(loopcost::${component} ALIAS ${target})
  endif()

  # A directory of this tree is where the headers are in the build only;
  # installed, they are in include/loopcost/, included as <loopcost/NAME.h>.
  get_target_property(include_dirs ${target} INTERFACE_INCLUDE_DIRECTORIES)
  if(include_dirs)
    set(dirs)
    foreach(dir IN LISTS include_dirs)
      if(NOT dir MATCHES "^\\$<")
        cmake_path(IS_PREFIX PROJECT_SOURCE_DIR "${dir}" NORMALIZE in_source)
        cmake_path(IS_PREFIX PROJECT_BINARY_DIR "${dir}" NORMALIZE in_binary)
        if(in_source OR in_binary)
          set(dir "$<BUILD_INTERFACE:${dir}>")
        endif()
      endif()
      list(APPEND dirs "${dir}")
    endforeach()
    set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${dirs}")
  endif()

  # The headers include each other with quotes, so all of them, the model's
  # and the analysis layer's, go to one directory; two of one name would
  # overwrite each other.
  get_target_property(source_dir ${target} SOURCE_DIR)
  get_target_property(sources ${target} SOURCES)
  set(header_dirs)
  foreach(source IN LISTS sources)
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY "${source_dir}")
    cmake_path(GET source PARENT_PATH dir)
    list(APPEND header_dirs "${dir}")
  endforeach()
  list(REMOVE_DUPLICATES header_dirs)
  set(names ${loopcost_installed_headers})
  foreach(dir IN LISTS header_dirs)
    file(GLOB headers CONFIGURE_DEPENDS "${dir}/*.h")
    foreach(header IN LISTS headers)
      cmake_path(GET header FILENAME name)
      if(name IN_LIST names)
        message(FATAL_ERROR "${header}: another library's header has this name; "
                            "every installed header goes to ${LOOPCOST_INSTALL_HEADERDIR}/")
      endif()
      list(APPEND names ${name})
    endforeach()
    install(FILES ${headers} DESTINATION ${LOOPCOST_INSTALL_HEADERDIR} COMPONENT development)
  endforeach()
  set(loopcost_installed_headers ${names} PARENT_SCOPE)

  # The installed archive is linked by builds without link-time optimisation
  # as well: with GCC its objects carry machine code beside the intermediate
  # code (the tool still links the intermediate code).
  if(CMAKE_INTERPROCEDURAL_OPTIMIZATION AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -ffat-lto-objects)
  endif()

  # Other packages' targets that a user links through this library (a static
  # library's private ones too) must be found before the library's own.
  set(dependencies ${loopcost_package_dependencies})
  get_target_property(links ${target} INTERFACE_LINK_LIBRARIES)
  foreach(link IN LISTS links)
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
    if(NOT link MATCHES "^([A-Za-z0-9_]+)::" OR CMAKE_MATCH_1 STREQUAL "loopcost")
      continue()
    endif()
    set(package ${CMAKE_MATCH_1})
    if(TARGET ${link})  # an imported target may be seen only where it was found
      get_target_property(imported ${link} IMPORTED)
      if(NOT imported)
        continue()  # one of this project's, exported with it
      endif()
    endif()
    if(package STREQUAL "PkgConfig")
      message(FATAL_ERROR "${target} links ${link}, which an installed package cannot name; "
                          "link the package's own CMake target")
    endif()
    list(APPEND dependencies ${package})
  endforeach()
  list(REMOVE_DUPLICATES dependencies)
  set(loopcost_package_dependencies ${dependencies} PARENT_SCOPE)

  # Compile definitions such as LOOPCOST_NODE_POOL change the headers: a user
  # must be compiled with the same ones.
  get_target_property(definitions ${target} INTERFACE_COMPILE_DEFINITIONS)
  set(LOOPCOST_PC_CFLAGS "")
  foreach(definition IN LISTS definitions)
    if(definition MATCHES "\\$<")
      message(FATAL_ERROR "${target}: the pkg-config file cannot carry the definition ${definition}")
    elseif(definition)
      string(APPEND LOOPCOST_PC_CFLAGS " -D${definition}")
    endif()
  endforeach()
  set(LOOPCOST_PC_REQUIRES "")
  if(NOT component STREQUAL "loopcost")
    set(LOOPCOST_PC_REQUIRES "Requires: loopcost = ${PROJECT_VERSION}\n")
  endif()
  string(REPLACE "_" "-" LOOPCOST_PC_NAME ${file_name})
  set(LOOPCOST_PC_DESCRIPTION "${description}")
  set(LOOPCOST_PC_LIB ${file_name})
  loopcost_install_pkgconfig(${LOOPCOST_PC_NAME})

  set(loopcost_installed_libraries ${loopcost_installed_libraries} ${target} PARENT_SCOPE)
  set(loopcost_installed_components ${loopcost_installed_components} ${component} PARENT_SCOPE)
endfunction()

# --- the libraries -----------------------------------------------------------

loopcost_install_library(loopcost_model loopcost loopcost
  "The parse tree of loop programs and their running cost")
if(TARGET loopcost_analysis)
  loopcost_install_library(loopcost_analysis analysis loopcost_analysis
    "Analyses of loop programs built on their costs")
  # Boost's headers, whether the library links a Boost target or names the
  # include directory.
  list(APPEND loopcost_package_dependencies Boost)
  list(REMOVE_DUPLICATES loopcost_package_dependencies)
endif()

install(TARGETS ${loopcost_installed_libraries} EXPORT loopcostTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

# --- the CMake package -------------------------------------------------------

install(EXPORT loopcostTargets NAMESPACE loopcost:: DESTINATION ${LOOPCOST_INSTALL_CMAKEDIR}
  COMPONENT development)

set(LOOPCOST_CONFIG_DEPENDENCIES "")
foreach(package IN LISTS loopcost_package_dependencies)
  string(APPEND LOOPCOST_CONFIG_DEPENDENCIES "find_dependency(${package})\n")
endforeach()
string(REPLACE ";" " " LOOPCOST_CONFIG_COMPONENTS "${loopcost_installed_components}")
configure_package_config_file(cmake/loopcostConfig.cmake.in ${PROJECT_BINARY_DIR}/cmake/loopcostConfig.cmake
  INSTALL_DESTINATION ${LOOPCOST_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/cmake/loopcostConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/cmake/loopcostConfig.cmake ${PROJECT_BINARY_DIR}/cmake/loopcostConfigVersion.cmake
  DESTINATION ${LOOPCOST_INSTALL_CMAKEDIR} COMPONENT development)

# --- the tool ----------------------------------------------------------------

install(TARGETS loopcost RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
if(LOOPCOST_MAN_PAGE)
  install(FILES ${PROJECT_BINARY_DIR}/cli/loopcost.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT runtime)
endif()
install(FILES cli/completion.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  RENAME loopcost COMPONENT runtime)
install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT runtime)

# --- the Debian package (cpack -G DEB in the build directory) -----------------

set(LOOPCOST_PACKAGE_MAINTAINER "The loopcost developers" CACHE STRING
    "The Maintainer field of the Debian package, \"Name <address>\"")
set(CPACK_PACKAGE_NAME loopcost)
set(CPACK_PACKAGE_VENDOR "The loopcost developers")
set(CPACK_PACKAGE_CONTACT "${LOOPCOST_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "running cost of programs of a small loop language")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "loopcost reads programs of a tiny loop language (BEGIN ... END blocks of"
  "statements such as a + b * c ; and loops LOOP n ... END) and prints each"
  "program's running cost as a polynomial in n under a cost model, the program"
  "in its canonical layout, or the cost of every line."
  "The package holds the command-line tool and the C++ library it is built on,"
  "with its headers, a CMake package and a pkg-config file.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_GENERATOR DEB)
# Installed with DESTDIR into the staging directory under the final prefix,
# so that the pkg-config file names /usr and not the staging directory.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LOOPCOST_PACKAGE_MAINTAINER}")
# dpkg-shlibdeps finds the shared libraries the tool needs (libc, libstdc++).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The analysis layer's headers include Boost's; the tool does not need them.
if(TARGET loopcost_analysis)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS libboost-dev)
endif()
include(CPack)
