# The plug-in tests load the libraries from the build folder, so they need
# them built first and told where they are.
file(GLOB plugin_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/plugins/*.cpp)
foreach(source ${plugin_test_sources})
  get_filename_component(name ${source} NAME_WE)
  add_dependencies(test_plugins_${name} frei0r_plugins)
  target_include_directories(test_plugins_${name} PRIVATE ${FREI0R_INCLUDE_DIR})
  target_compile_definitions(test_plugins_${name} PRIVATE TWEENERY_FREI0R_DIR="${TWEENERY_FREI0R_DIR}")
  # Several host threads share the component's lock.
  set_tests_properties(test_plugins_${name} PROPERTIES LABELS threaded)
endforeach()
