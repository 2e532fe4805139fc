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
else()
  set_tests_properties(test_package_qt_DesignerPluginTests PROPERTIES DISABLED TRUE)
endif()

set(TWEENERY_TEST_DATA ${CMAKE_CURRENT_SOURCE_DIR}/data)
configure_file(package_qt/TweeneryForm.ui.in ${CMAKE_CURRENT_BINARY_DIR}/package_qt/TweeneryForm.ui @ONLY)
qt6_wrap_ui(TWEENERY_FORM_HEADER ${CMAKE_CURRENT_BINARY_DIR}/package_qt/TweeneryForm.ui)
target_sources(test_package_qt_UiFormTests PRIVATE ${TWEENERY_FORM_HEADER})
target_include_directories(test_package_qt_UiFormTests PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
