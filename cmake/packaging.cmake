# Target vibrel_package of the Linux build: gathers the cross builds' six plug-ins, the package's sources and
# the icon this build's vibrel-render draws into <build>/package/vibrel (the work is cmake/package.cmake).
# It needs the cross builds (.ci/cross.sh), so it is not part of the default build.
set(VIBREL_CROSS_ROOT ${PROJECT_SOURCE_DIR}/build CACHE PATH "Folder holding the cross builds (.ci/cross.sh makes them)")
add_custom_target(vibrel_package
  COMMAND ${CMAKE_COMMAND} -DVIBREL_CROSS_ROOT=${VIBREL_CROSS_ROOT} -DVIBREL_PACKAGE_DIR=${PROJECT_BINARY_DIR}/package
    -DVIBREL_RENDER=$<TARGET_FILE:vibrel-render> -DVIBREL_ICON_MODULE=$<TARGET_FILE:vibrel_full>
    -P ${PROJECT_SOURCE_DIR}/cmake/package.cmake
  COMMENT "Host package folder in ${PROJECT_BINARY_DIR}/package/vibrel"
  VERBATIM)
add_dependencies(vibrel_package vibrel-render vibrel_full)
