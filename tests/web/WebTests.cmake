# The browser build's checks, run by the native test suite: the self-test
# page (browser frames against native frames) and the live gallery. Both
# need the module the wasm preset builds into TWEENERY_WASM_DIR and
# Chromium; without either they are skipped, saying why.
add_executable(test_web_frame_hashes ${CMAKE_CURRENT_SOURCE_DIR}/web/FrameHashes.cpp)
target_link_libraries(test_web_frame_hashes PRIVATE tweenkit)

add_test(NAME test_web_selftest
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/web/run-selftest $<TARGET_FILE:test_web_frame_hashes>
          ${TWEENERY_WASM_DIR} ${CMAKE_CURRENT_BINARY_DIR}/web-selftest)
set_tests_properties(test_web_selftest PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600 LABELS web)

if(TARGET tweenery)
  add_test(NAME test_web_gallery
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/web/run-gallery-check ${PROJECT_SOURCE_DIR} ${TWEENERY_WASM_DIR}
            $<TARGET_FILE:tweenery> ${CMAKE_CURRENT_BINARY_DIR}/web-gallery)
  set_tests_properties(test_web_gallery PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600 LABELS web)
endif()
