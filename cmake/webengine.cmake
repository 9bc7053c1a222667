# The playground's engine, the model and the analysis compiled to WebAssembly
# by emscripten (LOOPCOST_WEB_ENGINE). web/CMakeLists.txt configures this
# tree so from the native build, as
#   emcmake cmake -S . -B build/web/engine -DLOOPCOST_WEB_ENGINE=ON ...
# with NODE_PATH set: Debian's emscripten finds its own node modules only
# through it, and the compiler checks of the configuration link.
if(NOT EMSCRIPTEN)
  message(FATAL_ERROR "LOOPCOST_WEB_ENGINE builds for the browser: configure with emcmake cmake")
endif()

# The node pool asks the kernel for huge pages and keeps chunks per thread:
# nothing of that exists in the browser, and the model works without it.
set(LOOPCOST_NODE_POOL OFF)
set(LOOPCOST_LTO OFF)
# C++ exceptions as WebAssembly's own, in every object and at the link.
string(APPEND CMAKE_CXX_FLAGS " -fwasm-exceptions")

# Every link runs emscripten's optimiser of the JavaScript, a node program.
set(LOOPCOST_EMSCRIPTEN_NODE_PATH "$ENV{NODE_PATH}" CACHE PATH "Where emscripten's node modules are (NODE_PATH)")
if(LOOPCOST_EMSCRIPTEN_NODE_PATH)
  set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=${LOOPCOST_EMSCRIPTEN_NODE_PATH})
endif()

# Boost and the JSON library come in through a folder that holds their trees
# and nothing else, so that no other header of the build machine leaks into
# the WebAssembly (emscripten searches its own system headers only).
set(LOOPCOST_BOOST_HEADERS /usr/include/boost CACHE PATH "Boost's header tree (Debian package libboost-dev)")
set(LOOPCOST_JSON_HEADERS /usr/include/nlohmann CACHE PATH
    "The JSON library's header tree (Debian package nlohmann-json3-dev)")
set(loopcost_engine_include ${PROJECT_BINARY_DIR}/include-system)
file(MAKE_DIRECTORY ${loopcost_engine_include})
foreach(library IN ITEMS BOOST JSON)
  set(tree ${LOOPCOST_${library}_HEADERS})
  if(NOT IS_DIRECTORY ${tree})
    message(FATAL_ERROR "${tree} is missing: LOOPCOST_${library}_HEADERS names the headers the engine needs")
  endif()
  get_filename_component(name ${tree} NAME)
  file(CREATE_LINK ${tree} ${loopcost_engine_include}/${name} SYMBOLIC)
endforeach()
# Under the names the native build finds them by.
add_library(Boost::headers INTERFACE IMPORTED)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(Boost::headers nlohmann_json::nlohmann_json PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${loopcost_engine_include})
