# The browser build with the system's emscripten (Debian's emscripten
# package: emcc on the PATH, its CMake platform file under its root).
#
# Debian's emscripten ships its system libraries prebuilt in a frozen cache
# under its root, which emcc reads without writing or locking, so no cache
# of our own (EM_CACHE) is needed and nothing is built into it.
find_program(TWEENERY_EM_CONFIG em-config)
if(NOT TWEENERY_EM_CONFIG)
  message(FATAL_ERROR "em-config not found: install emscripten (scripts/setup)")
endif()
execute_process(COMMAND ${TWEENERY_EM_CONFIG} EMSCRIPTEN_ROOT
  OUTPUT_VARIABLE TWEENERY_EMSCRIPTEN_ROOT OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
if(failed OR NOT EXISTS ${TWEENERY_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake)
  message(FATAL_ERROR "emscripten's CMake platform file was not found under '${TWEENERY_EMSCRIPTEN_ROOT}'")
endif()
include(${TWEENERY_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake)

# emcc runs its JavaScript passes (acorn) with the system's node, which need
# not search the folder where Debian keeps its node modules. A launcher given
# on the command line (-DCMAKE_CXX_COMPILER_LAUNCHER=ccache) runs after it.
if(EXISTS /usr/share/nodejs/acorn)
  set(launcher ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
  foreach(lang C CXX)
    set(CMAKE_${lang}_COMPILER_LAUNCHER ${launcher} $CACHE{CMAKE_${lang}_COMPILER_LAUNCHER})
    set(CMAKE_${lang}_LINKER_LAUNCHER ${launcher} $CACHE{CMAKE_${lang}_LINKER_LAUNCHER})
  endforeach()
endif()
