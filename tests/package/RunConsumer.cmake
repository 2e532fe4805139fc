# One step of the outside-project tests, run by ctest as `cmake -P`:
#   MODE=install    installs BUILD_DIR into a staging prefix and moves it to
#                   PREFIX; checks that EXPECT (paths under the prefix, "|"
#                   between them) are there, that no installed file names the
#                   staging prefix and, with DESKTOP_FILE_VALIDATE, the
#                   desktop entries
#   MODE=cmake      configures SOURCE against PREFIX (find_package) with
#                   CONFIGURE_ARGS ("|" between them), builds it, runs PROGRAM
#                   or, with RUN_TARGET, builds that target of it
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

string(REPLACE "|" ";" expect "${EXPECT}")
string(REPLACE "|" ";" configure_args "${CONFIGURE_ARGS}")

if(MODE STREQUAL "install")
  # Installed in one place and used from another: whatever names the prefix
  # it was installed into breaks a moved (or packaged) installation.
  set(staging ${PREFIX}-staging)
  file(REMOVE_RECURSE ${PREFIX} ${staging})
  run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${staging})
  file(RENAME ${staging} ${PREFIX})
  execute_process(COMMAND grep -rlF ${staging} ${PREFIX} RESULT_VARIABLE rc OUTPUT_VARIABLE naming)
  if(NOT rc EQUAL 1)
    message(FATAL_ERROR "installed files name the prefix they were installed into (${rc}):\n${naming}")
  endif()
  foreach(path ${expect})
    if(NOT EXISTS ${PREFIX}/${path})
      message(FATAL_ERROR "the installation has no ${path}")
    endif()
  endforeach()
  if(DESKTOP_FILE_VALIDATE)
    file(GLOB entries ${PREFIX}/share/applications/*.desktop)
    foreach(entry ${entries})
      run(${DESKTOP_FILE_VALIDATE} ${entry})
    endforeach()
  endif()
elseif(MODE STREQUAL "cmake")
  file(REMOVE_RECURSE ${WORK})
  run(${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK} -G Ninja -DCMAKE_BUILD_TYPE=Debug
      -DCMAKE_PREFIX_PATH=${PREFIX} -DCMAKE_CXX_COMPILER=${CXX}
      "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS}" ${configure_args})
  if(RUN_TARGET)
    run(${CMAKE_COMMAND} --build ${WORK} --target ${RUN_TARGET})
  else()
    run(${CMAKE_COMMAND} --build ${WORK})
    run(${WORK}/${PROGRAM})
  endif()
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
