# The QML module's tests: Qt Test programs that load `import Tweenery` from
# the build's QML folder and draw with the software scene graph on the
# offscreen platform. With TWEENERY_TEST_GRAPHICS=opengl and a display they
# draw with the OpenGL scene graph instead (tests/quick/under-xvfb.sh).
file(GLOB quick_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/quick/*Tests.cpp)
foreach(source ${quick_tests})
  get_filename_component(name ${source} NAME_WE)
  set(target test_quick_${name})
  add_executable(${target} ${source} quick/QuickScene.h)
  set_target_properties(${target} PROPERTIES AUTOMOC ON)
  target_link_libraries(${target} PRIVATE tweenkit tweenery_test_support Qt6::Quick Qt6::Qml Qt6::Test)
  target_compile_definitions(${target} PRIVATE
    TWEENERY_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data"
    TWEENERY_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    TWEENERY_QML_IMPORT_DIR="${PROJECT_BINARY_DIR}/qml")
  qt_add_resources(${target} quick_pictures PREFIX /pictures BASE ${PROJECT_SOURCE_DIR}/demo/pictures
    FILES ${PROJECT_SOURCE_DIR}/demo/pictures/From.bmp)
  add_dependencies(${target} tweenery_quickplugin)
  add_test(NAME ${target} COMMAND ${target})
  set_tests_properties(${target} PROPERTIES TIMEOUT 600 LABELS "qt;quick"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_QPA_FONTDIR=/usr/share/fonts/truetype/dejavu")
endforeach()
