# What `cmake --install` puts in place: the public headers under
# include/tweenery/, the static libraries with a CMake package
# (find_package(Tweenery) gives Tweenery::tweenkit and, with Qt,
# Tweenery::widget), pkg-config files, libtweenpack.so and the Designer
# plugin where Designer looks for plugins under the prefix.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TWEENERY_INCLUDE_DIR ${CMAKE_INSTALL_INCLUDEDIR}/tweenery)
set(TWEENERY_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tweenery)
set(TWEENERY_DESIGNER_PLUGIN_DIR ${CMAKE_INSTALL_LIBDIR}/qt6/plugins/designer
  CACHE STRING "Where the Qt Designer plugin is installed, relative to the prefix")

set_target_properties(tweenery_platform PROPERTIES EXPORT_NAME platform)
set(TWEENERY_EXPORTED tweenery_platform tweenkit)
install(DIRECTORY platform/ DESTINATION ${TWEENERY_INCLUDE_DIR}/platform
  FILES_MATCHING PATTERN "*.h" PATTERN "qt" EXCLUDE)
install(DIRECTORY tweenkit/ DESTINATION ${TWEENERY_INCLUDE_DIR}/tweenkit
  FILES_MATCHING PATTERN "*.h" PATTERN "effects" EXCLUDE)

if(TWEENERY_BUILD_QT)
  set_target_properties(tweenery_platform_qt PROPERTIES EXPORT_NAME platform_qt)
  set_target_properties(tweenery_widget PROPERTIES EXPORT_NAME widget)
  list(APPEND TWEENERY_EXPORTED tweenery_platform_qt tweenery_widget tweenpack)
  install(DIRECTORY platform/qt/ DESTINATION ${TWEENERY_INCLUDE_DIR}/platform/qt FILES_MATCHING PATTERN "*.h")
  install(FILES widget/TweeneryWidget.h widget/TweeneryStackedWidget.h DESTINATION ${TWEENERY_INCLUDE_DIR}/widget)
  install(FILES package/TweenReg.h package/TweenPack.h DESTINATION ${TWEENERY_INCLUDE_DIR}/package)
  if(TARGET tweenery_designer)
    install(TARGETS tweenery_designer LIBRARY DESTINATION ${TWEENERY_DESIGNER_PLUGIN_DIR})
  endif()
endif()

install(TARGETS ${TWEENERY_EXPORTED} EXPORT TweeneryTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${TWEENERY_INCLUDE_DIR})
install(EXPORT TweeneryTargets NAMESPACE Tweenery:: DESTINATION ${TWEENERY_CMAKE_DIR})

set(TWEENERY_WITH_QT ${TWEENERY_BUILD_QT})
configure_package_config_file(cmake/TweeneryConfig.cmake.in ${CMAKE_CURRENT_BINARY_DIR}/TweeneryConfig.cmake
  INSTALL_DESTINATION ${TWEENERY_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/TweeneryConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/TweeneryConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/TweeneryConfigVersion.cmake
  DESTINATION ${TWEENERY_CMAKE_DIR})

# The .pc files find the prefix from where they lie, so an installation
# may be moved (or made with --prefix).
set(TWEENERY_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH TWEENERY_PC_TO_PREFIX /${TWEENERY_PKGCONFIG_DIR} /)
string(REGEX REPLACE "/$" "" TWEENERY_PC_TO_PREFIX "${TWEENERY_PC_TO_PREFIX}")
configure_file(cmake/tweenery.pc.in ${CMAKE_CURRENT_BINARY_DIR}/tweenery.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/tweenery.pc DESTINATION ${TWEENERY_PKGCONFIG_DIR})
if(TWEENERY_BUILD_QT)
  configure_file(cmake/tweenery-widget.pc.in ${CMAKE_CURRENT_BINARY_DIR}/tweenery-widget.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/tweenery-widget.pc DESTINATION ${TWEENERY_PKGCONFIG_DIR})
endif()
