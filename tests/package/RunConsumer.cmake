# One step of the outside-project tests, run by ctest as `cmake -P`:
#   MODE=install    installs BUILD_DIR into PREFIX
#   MODE=cmake      configures SOURCE against PREFIX (find_package), builds it, runs PROGRAM
#   MODE=pkgconfig  compiles SOURCE/main.cpp with pkg-config's flags for PACKAGE, runs it
#   MODE=doxygen    builds the API reference of SOURCE/docs/Doxyfile into WORK; any warning fails
# CXX, CXX_FLAGS and LINKER_FLAGS are the calling build's, so a sanitizer
# build links its consumers with the same runtime.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "failed (${rc}): ${command}\n${out}")
  endif()
endfunction()

separate_arguments(cxx_flags UNIX_COMMAND "${CXX_FLAGS}")
separate_arguments(linker_flags UNIX_COMMAND "${LINKER_FLAGS}")

if(MODE STREQUAL "install")
  file(REMOVE_RECURSE ${PREFIX})
  run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX})
elseif(MODE STREQUAL "cmake")
  file(REMOVE_RECURSE ${WORK})
  run(${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK} -G Ninja -DCMAKE_BUILD_TYPE=Debug
      -DCMAKE_PREFIX_PATH=${PREFIX} -DCMAKE_CXX_COMPILER=${CXX}
      "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS}")
  run(${CMAKE_COMMAND} --build ${WORK})
  run(${WORK}/${PROGRAM})
elseif(MODE STREQUAL "pkgconfig")
  file(REMOVE_RECURSE ${WORK})
  file(MAKE_DIRECTORY ${WORK})
  file(GLOB_RECURSE pc_files ${PREFIX}/*/${PACKAGE}.pc)
  list(GET pc_files 0 pc_file)
  get_filename_component(pc_dir ${pc_file} DIRECTORY)
  set(ENV{PKG_CONFIG_PATH} ${pc_dir})
  execute_process(COMMAND pkg-config --cflags --libs ${PACKAGE} RESULT_VARIABLE rc OUTPUT_VARIABLE flags
                  ERROR_VARIABLE error OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "pkg-config ${PACKAGE}: ${error}")
  endif()
  separate_arguments(flags UNIX_COMMAND "${flags}")
  run(${CXX} ${cxx_flags} ${SOURCE}/main.cpp ${flags} ${linker_flags} -o ${WORK}/consumer)
  run(${WORK}/consumer)
elseif(MODE STREQUAL "doxygen")
  file(REMOVE_RECURSE ${WORK})
  file(MAKE_DIRECTORY ${WORK})
  file(READ ${SOURCE}/docs/Doxyfile doxyfile)
  file(WRITE ${WORK}/Doxyfile "${doxyfile}\nOUTPUT_DIRECTORY = ${WORK}\nWARN_LOGFILE = ${WORK}/warnings.log\n")
  execute_process(COMMAND doxygen ${WORK}/Doxyfile WORKING_DIRECTORY ${SOURCE} RESULT_VARIABLE rc
                  OUTPUT_VARIABLE out ERROR_VARIABLE out)
  file(READ ${WORK}/warnings.log warnings)
  if(NOT rc EQUAL 0 OR NOT warnings STREQUAL "" OR NOT EXISTS ${WORK}/html/index.html)
    message(FATAL_ERROR "doxygen (${rc}):\n${out}${warnings}")
  endif()
else()
  message(FATAL_ERROR "unknown MODE ${MODE}")
endif()
