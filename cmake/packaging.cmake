# Target vibrel_package of the Linux build: gathers the cross builds' six plug-ins, the help patchers,
# reference pages and package-info.json into <build>/package/vibrel (the work is cmake/package.cmake).
set(VIBREL_CROSS_ROOT ${PROJECT_SOURCE_DIR}/build CACHE PATH "Folder holding the cross builds (.ci/cross.sh makes them)")
add_custom_target(vibrel_package
  COMMAND ${CMAKE_COMMAND} -DVIBREL_CROSS_ROOT=${VIBREL_CROSS_ROOT} -DVIBREL_PACKAGE_DIR=${PROJECT_BINARY_DIR}/package
    -P ${PROJECT_SOURCE_DIR}/cmake/package.cmake
  COMMENT "Host package folder in ${PROJECT_BINARY_DIR}/package/vibrel"
  VERBATIM)
