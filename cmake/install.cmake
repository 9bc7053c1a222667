# What `cmake --install` puts where: the tool with its manual page and bash
# completion; the libraries with their headers, a CMake package and a
# pkg-config file for other projects to build against them; README and
# licence. Then the Debian package of all of it (cpack -G DEB).
#
# Included at the end of the top-level CMakeLists.txt, so that every target
# exists; a library that is not there (the analysis layer, in a tree without
# it) is left out, and so are the packages only it depends on.
#
# The files go in components:
#   runtime      the tool, its completion and README              (both)
#   development  the headers                                       (both)
#   plain        the manual page and the licence; the libraries,
#                CMake package and pkg-config files in
#                CMAKE_INSTALL_LIBDIR                              (cmake --install)
#   deb          the manual page compressed, the Debian changelog,
#                copyright (with the licence) and lintian
#                overrides; the libraries, CMake package and
#                pkg-config files in the multiarch directory       (the package)
# `cmake --install` installs every component but deb; the package is made of
# every component but plain.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(LOOPCOST_INSTALL_HEADERDIR ${CMAKE_INSTALL_INCLUDEDIR}/loopcost)
# Debian keeps a package's libraries and pkg-config files in the multiarch
# directory (lib/x86_64-linux-gnu), where the pkg-config of a cross build looks
# too: GNUInstallDirs' choice for the prefix /usr.
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(LOOPCOST_PACKAGE_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE})
else()
  set(LOOPCOST_PACKAGE_LIBDIR lib)
endif()

set(loopcost_plain_libdir ${CMAKE_INSTALL_LIBDIR})
set(loopcost_deb_libdir ${LOOPCOST_PACKAGE_LIBDIR})

set(loopcost_installed_libraries)  # the targets
set(loopcost_installed_components) # their names in the loopcost:: namespace
set(loopcost_package_dependencies) # packages whose targets the libraries link

# A pkg-config file for a library, in the layout of a component, its
# libraries in `libdir`. The prefix is the one installed to, known only when
# installing (cmake --install --prefix, CPack), so the file is written then,
# to a place of its own for each destination (two installs may run at once);
# the rest is filled in now.
function(loopcost_install_pkgconfig name component libdir)
  set(LOOPCOST_PC_PREFIX "@LOOPCOST_PC_PREFIX@")
  set(LOOPCOST_PC_LIBDIR "${libdir}")
  set(LOOPCOST_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
  foreach(kind IN ITEMS LIBDIR INCLUDEDIR)
    if(NOT IS_ABSOLUTE "${LOOPCOST_PC_${kind}}")
      set(LOOPCOST_PC_${kind} "\${prefix}/${LOOPCOST_PC_${kind}}")
    endif()
  endforeach()
  set(template ${PROJECT_BINARY_DIR}/pkgconfig/${component}/${name}.pc.in)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/loopcost.pc.in ${template} @ONLY)
  set(exclude)
  if(component STREQUAL "deb")
    set(exclude EXCLUDE_FROM_ALL)
  endif()
  install(CODE "
    cmake_path(ABSOLUTE_PATH CMAKE_INSTALL_PREFIX NORMALIZE OUTPUT_VARIABLE LOOPCOST_PC_PREFIX)
    string(SHA1 destination \"\$ENV{DESTDIR}\${LOOPCOST_PC_PREFIX}\")
    set(output \"${PROJECT_BINARY_DIR}/pkgconfig/${component}/\${destination}/${name}.pc\")
    configure_file(\"${template}\" \"\${output}\" @ONLY)
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${libdir}/pkgconfig\" TYPE FILE FILES \"\${output}\")"
    COMPONENT ${component} ${exclude})
endfunction()

# Installs a static library as loopcost::<component> with the headers beside
# its sources, and its pkg-config file <file_name>.pc (with _ as -).
function(loopcost_install_library target component file_name description)
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${component} OUTPUT_NAME ${file_name})
  target_compile_features(${target} PUBLIC cxx_std_17)
  if(NOT TARGET loopcost::${component})
    add_library(loopcost::${component} ALIAS ${target})
  endif()

  # The headers of each directory that holds the library's sources, in the
  # same directory under include/loopcost/: they include each other as
  # "loopcost/DIR/NAME.h" there as in the build, where the tree's include
  # folder is every target's (the top-level CMakeLists.txt); installed, the
  # targets have include/ from INCLUDES DESTINATION below.
  get_target_property(source_dir ${target} SOURCE_DIR)
  get_target_property(sources ${target} SOURCES)
  set(header_dirs)
  foreach(source IN LISTS sources)
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY "${source_dir}")
    cmake_path(GET source PARENT_PATH dir)
    list(APPEND header_dirs "${dir}")
  endforeach()
  list(REMOVE_DUPLICATES header_dirs)
  foreach(dir IN LISTS header_dirs)
    file(RELATIVE_PATH subdir ${PROJECT_SOURCE_DIR} ${dir})
    file(GLOB headers CONFIGURE_DEPENDS "${dir}/*.h")
    install(FILES ${headers} DESTINATION ${LOOPCOST_INSTALL_HEADERDIR}/${subdir} COMPONENT development)
  endforeach()

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
  foreach(layout IN ITEMS plain deb)
    loopcost_install_pkgconfig(${LOOPCOST_PC_NAME} ${layout} ${loopcost_${layout}_libdir})
  endforeach()

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

# --- the libraries' and the CMake package's layouts ---------------------------

set(LOOPCOST_CONFIG_DEPENDENCIES "")
foreach(package IN LISTS loopcost_package_dependencies)
  string(APPEND LOOPCOST_CONFIG_DEPENDENCIES "find_dependency(${package})\n")
endforeach()
string(REPLACE ";" " " LOOPCOST_CONFIG_COMPONENTS "${loopcost_installed_components}")
write_basic_package_version_file(${PROJECT_BINARY_DIR}/cmake/loopcostConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)

# The libraries and the CMake package once for each layout: the CMake package
# finds the libraries relative to its own directory, so each layout has its
# own export and configuration files.
foreach(layout IN ITEMS plain deb)
  set(libdir ${loopcost_${layout}_libdir})
  set(cmakedir ${libdir}/cmake/loopcost)
  set(exclude)
  if(layout STREQUAL "deb")
    set(exclude EXCLUDE_FROM_ALL)
  endif()
  install(TARGETS ${loopcost_installed_libraries} EXPORT loopcost-${layout}
    ARCHIVE DESTINATION ${libdir} COMPONENT ${layout} ${exclude}
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(EXPORT loopcost-${layout} NAMESPACE loopcost:: FILE loopcostTargets.cmake DESTINATION ${cmakedir}
    COMPONENT ${layout} ${exclude})
  configure_package_config_file(cmake/loopcostConfig.cmake.in ${PROJECT_BINARY_DIR}/cmake/${layout}/loopcostConfig.cmake
    INSTALL_DESTINATION ${cmakedir})
  install(FILES ${PROJECT_BINARY_DIR}/cmake/${layout}/loopcostConfig.cmake
                ${PROJECT_BINARY_DIR}/cmake/loopcostConfigVersion.cmake
    DESTINATION ${cmakedir} COMPONENT ${layout} ${exclude})
endforeach()

# --- the tool ----------------------------------------------------------------

install(TARGETS loopcost RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
install(FILES cli/completion.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  RENAME loopcost COMPONENT runtime)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT runtime)
# the README links to the details in docs/, which go beside it
install(DIRECTORY docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs COMPONENT runtime FILES_MATCHING PATTERN "*.md")
# The package has the licence in its copyright file.
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT plain)
if(LOOPCOST_MAN_PAGE)
  install(FILES ${PROJECT_BINARY_DIR}/cli/loopcost.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT plain)
endif()

# --- the Debian package (cpack -G DEB in the build directory) -----------------

# The package's version is the project's with a Debian revision: the first
# entry of cmake/debian/changelog must name it.
set(LOOPCOST_PACKAGE_RELEASE 1)
set(LOOPCOST_PACKAGE_VERSION ${PROJECT_VERSION}-${LOOPCOST_PACKAGE_RELEASE})
set(changelog ${PROJECT_SOURCE_DIR}/cmake/debian/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${changelog} ${PROJECT_SOURCE_DIR}/LICENSE)
file(STRINGS ${changelog} changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^loopcost \\(${LOOPCOST_PACKAGE_VERSION}\\) ")
  message(FATAL_ERROR "${changelog} begins with '${changelog_head}': its first entry must be for version "
                      "${LOOPCOST_PACKAGE_VERSION}")
endif()

# The copyright file in Debian's machine-readable format, from LICENSE (the
# MIT licence, which Debian names Expat): its copyright line, and its text
# with blank lines as " .".
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE license_lines)
set(copyright_holders)
set(license_text)
foreach(line IN LISTS license_lines)
  if(line MATCHES "^Copyright \\([cC]\\) (.+)$")
    list(APPEND copyright_holders "${CMAKE_MATCH_1}")
  elseif(copyright_holders)  # the text after the copyright lines
    if(line STREQUAL "")
      string(APPEND license_text " .\n")
    else()
      string(APPEND license_text " ${line}\n")
    endif()
  endif()
endforeach()
if(NOT copyright_holders OR NOT license_text MATCHES "^ \\.\n Permission is hereby granted")
  message(FATAL_ERROR "LICENSE is not the MIT licence with a line 'Copyright (c) YEAR HOLDER'")
endif()
string(JOIN "\n           " copyright_holders ${copyright_holders})
string(REGEX REPLACE "^ \\.\n" "" license_text "${license_text}")
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/deb/copyright CONTENT
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: loopcost

Files: *
Copyright: ${copyright_holders}
License: Expat
${license_text}" @ONLY)

# Debian's documentation and manual pages are compressed with gzip -9n: no
# name or time stamp in the file, so that the same input gives the same bytes.
find_program(LOOPCOST_GZIP gzip REQUIRED)
set(package_files ${PROJECT_BINARY_DIR}/deb/changelog.Debian.gz)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/deb/changelog.Debian.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${changelog} changelog.Debian
  COMMAND ${LOOPCOST_GZIP} -9nf changelog.Debian
  DEPENDS ${changelog} WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/deb VERBATIM)
install(FILES ${PROJECT_BINARY_DIR}/deb/changelog.Debian.gz ${PROJECT_BINARY_DIR}/deb/copyright
  DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
  RENAME loopcost COMPONENT deb EXCLUDE_FROM_ALL)
if(LOOPCOST_MAN_PAGE)
  list(APPEND package_files ${PROJECT_BINARY_DIR}/deb/loopcost.1.gz)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/deb/loopcost.1.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_BINARY_DIR}/cli/loopcost.1 loopcost.1
    COMMAND ${LOOPCOST_GZIP} -9nf loopcost.1
    DEPENDS ${PROJECT_BINARY_DIR}/cli/loopcost.1 WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/deb VERBATIM)
  install(FILES ${PROJECT_BINARY_DIR}/deb/loopcost.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
    COMPONENT deb EXCLUDE_FROM_ALL)
endif()
add_custom_target(loopcost-deb-files ALL DEPENDS ${package_files})
if(LOOPCOST_MAN_PAGE)
  # the manual page is made in cli/: a file that another directory makes is
  # no rule here, so its target must come first
  add_dependencies(loopcost-deb-files loopcost-man)
endif()

# The address is in the reserved domain .invalid: the project has no mailing
# address, and a package without one is malformed.
set(loopcost_maintainer "The loopcost developers <loopcost@packages.invalid>")
set(LOOPCOST_PACKAGE_MAINTAINER "${loopcost_maintainer}" CACHE STRING
    "The Maintainer field of the Debian package, \"Name <address>\"")
if(LOOPCOST_PACKAGE_MAINTAINER STREQUAL "The loopcost developers")  # the former default, without an address
  set_property(CACHE LOOPCOST_PACKAGE_MAINTAINER PROPERTY VALUE "${loopcost_maintainer}")
endif()
if(NOT LOOPCOST_PACKAGE_MAINTAINER MATCHES "^[^<>]+ <[^<>@ ]+@[^<>@ ]+>$")
  message(FATAL_ERROR "LOOPCOST_PACKAGE_MAINTAINER is '${LOOPCOST_PACKAGE_MAINTAINER}', not \"Name <address>\"")
endif()
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
# One package of every component but the plain layout's.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL runtime development deb)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${LOOPCOST_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LOOPCOST_PACKAGE_MAINTAINER}")
# The tool without its symbols (the libraries keep theirs for the programs
# linked against them).
set(CPACK_STRIP_FILES ON)
# dpkg-shlibdeps finds the shared libraries the tool needs (libc, libstdc++).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The analysis layer's headers include Boost's; the tool does not need them.
if(TARGET loopcost_analysis)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS libboost-dev)
endif()
include(CPack)
