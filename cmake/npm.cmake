# loopcost_npm_ci(TARGET SOURCE DIR DESTINATION DIR [IGNORE_SCRIPTS])
# A target that installs the packages of DIR/package-lock.json with `npm ci`
# into DESTINATION/node_modules, and again only when DIR/package.json or the
# lock changes, so that only the first build needs the npm registry. The
# source tree stays clean; the target's property LOOPCOST_STAMP names the
# file that says when they were installed. IGNORE_SCRIPTS: no package runs a
# script of its own while it is installed.
find_program(LOOPCOST_NPM npm)

function(loopcost_npm_ci target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "IGNORE_SCRIPTS" "SOURCE;DESTINATION" "")
  set(stamp ${arg_DESTINATION}/node_modules/.loopcost-installed)
  if(NOT LOOPCOST_NPM)
    add_custom_target(${target}
      COMMAND ${CMAKE_COMMAND} -E echo "npm not found: install it (Debian package npm; make deps does)"
      COMMAND ${CMAKE_COMMAND} -E false
      VERBATIM)
    set_target_properties(${target} PROPERTIES LOOPCOST_STAMP ${stamp})
    return()
  endif()
  set(options --no-audit --no-fund --loglevel=error)
  if(arg_IGNORE_SCRIPTS)
    list(APPEND options --ignore-scripts)
  endif()
  file(MAKE_DIRECTORY ${arg_DESTINATION})
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -E copy ${arg_SOURCE}/package.json ${arg_SOURCE}/package-lock.json .
    COMMAND ${LOOPCOST_NPM} ci ${options}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${arg_SOURCE}/package.json ${arg_SOURCE}/package-lock.json
    WORKING_DIRECTORY ${arg_DESTINATION}
    COMMENT "Installing the node modules of ${arg_SOURCE}/package-lock.json into ${arg_DESTINATION}"
    VERBATIM)
  add_custom_target(${target} DEPENDS ${stamp})
  set_target_properties(${target} PROPERTIES LOOPCOST_STAMP ${stamp})
endfunction()
