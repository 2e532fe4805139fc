# The package's tests beyond the plain per-file programs: where the shared
# package and the Designer plugin lie, the uic-compiled form, and the
# outside projects built against an installation.
target_compile_definitions(test_package_PackageLibraryTests PRIVATE
  TWEENPACK_PATH="$<TARGET_FILE:tweenpack>" TWEENERY_NM="${CMAKE_NM}")
add_dependencies(test_package_PackageLibraryTests tweenpack)

# Qt programs: the Designer plugin as Designer loads it, and a form that
# uic compiles.
find_package(Qt6 QUIET COMPONENTS Designer)
tweenery_add_qt_tests(package_qt tweenery_widget)
if(TARGET tweenery_designer)
  target_link_libraries(test_package_qt_DesignerPluginTests PRIVATE Qt6::Designer)
  target_compile_definitions(test_package_qt_DesignerPluginTests PRIVATE
    TWEENERY_DESIGNER_PLUGIN="$<TARGET_FILE:tweenery_designer>")
  add_dependencies(test_package_qt_DesignerPluginTests tweenery_designer)
endif()
# Forms through Designer's own form editor core. Its library ships without a
# usable CMake package (the private module names headers Debian leaves
# out), so it is linked by file; its public header comes with Qt6::Designer.
find_library(TWEENERY_QT_DESIGNER_COMPONENTS NAMES Qt6DesignerComponents)
if(TARGET tweenery_designer AND TWEENERY_QT_DESIGNER_COMPONENTS AND TARGET Qt6::uic)
  target_link_libraries(test_package_qt_DesignerFormTests PRIVATE Qt6::Designer ${TWEENERY_QT_DESIGNER_COMPONENTS})
  target_compile_definitions(test_package_qt_DesignerFormTests PRIVATE
    TWEENERY_DESIGNER_PLUGIN="$<TARGET_FILE:tweenery_designer>" TWEENERY_UIC="$<TARGET_FILE:Qt6::uic>")
  add_dependencies(test_package_qt_DesignerFormTests tweenery_designer)
else()
  set_tests_properties(test_package_qt_DesignerFormTests PROPERTIES DISABLED TRUE)
endif()
if(NOT TARGET tweenery_designer)
  set_tests_properties(test_package_qt_DesignerPluginTests PROPERTIES DISABLED TRUE)
endif()

set(TWEENERY_TEST_DATA ${CMAKE_CURRENT_SOURCE_DIR}/data)
configure_file(package_qt/TweeneryForm.ui.in ${CMAKE_CURRENT_BINARY_DIR}/package_qt/TweeneryForm.ui @ONLY)
configure_file(package_qt/TweeneryTimedForm.ui.in ${CMAKE_CURRENT_BINARY_DIR}/package_qt/TweeneryTimedForm.ui @ONLY)
qt6_wrap_ui(TWEENERY_FORM_HEADER ${CMAKE_CURRENT_BINARY_DIR}/package_qt/TweeneryForm.ui
  ${CMAKE_CURRENT_BINARY_DIR}/package_qt/TweeneryTimedForm.ui)
target_sources(test_package_qt_UiFormTests PRIVATE ${TWEENERY_FORM_HEADER})
target_include_directories(test_package_qt_UiFormTests PRIVATE ${CMAKE_CURRENT_BINARY_DIR})

# Outside projects against an installation made into the build folder (in
# a staging folder first, then moved, so they use a relocated package): the
# guide's example through find_package(Tweenery), a headless program
# through pkg-config, and the installed-package consumers (headless and Qt
# programs, every <tweenery/…> header, the play-button example). Not
# labelled "threaded", so the TSan preset leaves them out; the ASan preset
# builds the consumers with its own flags. Label "install".
set(TWEENERY_TEST_PREFIX ${CMAKE_CURRENT_BINARY_DIR}/installed)
set(TWEENERY_CONSUMER_ARGS -DCXX=${CMAKE_CXX_COMPILER} "-DCXX_FLAGS=${CMAKE_CXX_FLAGS}"
  "-DLINKER_FLAGS=${CMAKE_EXE_LINKER_FLAGS}" -DPREFIX=${TWEENERY_TEST_PREFIX})
set(TWEENERY_RUN_CONSUMER ${CMAKE_CURRENT_SOURCE_DIR}/package/RunConsumer.cmake)

# What an installation must hold, beside the libraries and the CMake package.
set(TWEENERY_INSTALLED_FILES
  ${CMAKE_INSTALL_BINDIR}/tweenery ${CMAKE_INSTALL_BINDIR}/tweenery-demo
  ${CMAKE_INSTALL_DATADIR}/applications/tweenery-demo.desktop
  ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps/tweenery-demo.png
  ${TWEENERY_INCLUDE_DIR}/Tweenery.h ${TWEENERY_INCLUDE_DIR}/TweeneryWidget.h
  ${TWEENERY_INCLUDE_DIR}/widget/TweeneryWidget.h ${TWEENERY_INCLUDE_DIR}/tweenkit/Tweenery.h
  ${TWEENERY_CMAKE_DIR}/TweeneryConfig.cmake)
if(EXISTS ${PROJECT_SOURCE_DIR}/widget/TweeneryStackedWidget.h)
  list(APPEND TWEENERY_INSTALLED_FILES ${TWEENERY_INCLUDE_DIR}/TweeneryStackedWidget.h)
endif()
if(TARGET tweenery_designer)
  list(APPEND TWEENERY_INSTALLED_FILES ${TWEENERY_DESIGNER_PLUGIN_DIR}/libtweenery-designer.so)
endif()
string(REPLACE ";" "|" TWEENERY_INSTALLED_FILES "${TWEENERY_INSTALLED_FILES}")
find_program(TWEENERY_DESKTOP_FILE_VALIDATE desktop-file-validate)
if(NOT TWEENERY_DESKTOP_FILE_VALIDATE)
  set(TWEENERY_DESKTOP_FILE_VALIDATE "")
endif()

# The widget's playback by duration (setDuration, setEasingCurve) and its
# errorOccurred signal: until TweeneryWidget declares all three, the
# consumer leaves out WidgetTimingChecks.cpp and the play-button example,
# which use them.
file(READ ${PROJECT_SOURCE_DIR}/widget/TweeneryWidget.h TWEENERY_WIDGET_HEADER)
set(TWEENERY_WIDGET_TIMING ON)
foreach(name setDuration setEasingCurve errorOccurred)
  if(NOT TWEENERY_WIDGET_HEADER MATCHES "[^A-Za-z]${name}[(]")
    set(TWEENERY_WIDGET_TIMING OFF)
  endif()
endforeach()
message(STATUS "Installed-package consumer: widget timing checks and play-button example ${TWEENERY_WIDGET_TIMING}")

add_test(NAME package_install COMMAND ${CMAKE_COMMAND} -DMODE=install -DBUILD_DIR=${CMAKE_BINARY_DIR}
  "-DEXPECT=${TWEENERY_INSTALLED_FILES}" "-DDESKTOP_FILE_VALIDATE=${TWEENERY_DESKTOP_FILE_VALIDATE}"
  ${TWEENERY_CONSUMER_ARGS} -P ${TWEENERY_RUN_CONSUMER})
add_test(NAME package_find_package_consumer COMMAND ${CMAKE_COMMAND} -DMODE=cmake
  -DSOURCE=${PROJECT_SOURCE_DIR}/docs/examples/embed -DWORK=${CMAKE_CURRENT_BINARY_DIR}/consumer-cmake
  -DPROGRAM=embed-transition ${TWEENERY_CONSUMER_ARGS} -P ${TWEENERY_RUN_CONSUMER})
add_test(NAME package_pkgconfig_consumer COMMAND ${CMAKE_COMMAND} -DMODE=pkgconfig -DPACKAGE=tweenery
  -DSOURCE=${CMAKE_CURRENT_SOURCE_DIR}/package/consumers/pkgconfig -DWORK=${CMAKE_CURRENT_BINARY_DIR}/consumer-pkgconfig
  ${TWEENERY_CONSUMER_ARGS} -P ${TWEENERY_RUN_CONSUMER})
add_test(NAME package_installed_consumers COMMAND ${CMAKE_COMMAND} -DMODE=cmake
  -DSOURCE=${CMAKE_CURRENT_SOURCE_DIR}/package/consumers/installed -DWORK=${CMAKE_CURRENT_BINARY_DIR}/consumer-installed
  "-DCONFIGURE_ARGS=-DEXAMPLES=${PROJECT_SOURCE_DIR}/docs/examples|-DWITH_WIDGET_TIMING=${TWEENERY_WIDGET_TIMING}"
  -DRUN_TARGET=check ${TWEENERY_CONSUMER_ARGS} -P ${TWEENERY_RUN_CONSUMER})
set_tests_properties(package_install PROPERTIES FIXTURES_SETUP tweenery_installed TIMEOUT 300 LABELS install)
set_tests_properties(package_find_package_consumer package_pkgconfig_consumer package_installed_consumers PROPERTIES
  FIXTURES_REQUIRED tweenery_installed TIMEOUT 600 RESOURCE_LOCK tweenery_consumer_build LABELS install
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_QPA_FONTDIR=/usr/share/fonts/truetype/dejavu")

find_program(TWEENERY_DOXYGEN doxygen)
if(TWEENERY_DOXYGEN)
  add_test(NAME docs_reference COMMAND ${CMAKE_COMMAND} -DMODE=doxygen -DSOURCE=${PROJECT_SOURCE_DIR}
    -DWORK=${CMAKE_CURRENT_BINARY_DIR}/reference -P ${TWEENERY_RUN_CONSUMER})
  set_tests_properties(docs_reference PROPERTIES TIMEOUT 300)
endif()
