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

# Target vibrel_max_zip: that folder as the one download for the host, <build>/package/vibrel-VERSION-max.zip
# (unzipped into the host's Packages folder it is the installed package) and its .sha256; the same bytes
# from the same files (cmake/archives/reproducible_zip.py).
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  set(VIBREL_MAX_ZIP ${PROJECT_BINARY_DIR}/package/vibrel-${PROJECT_VERSION}-max.zip)
  add_custom_target(vibrel_max_zip
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/cmake/archives/reproducible_zip.py
      ${PROJECT_BINARY_DIR}/package/vibrel ${VIBREL_MAX_ZIP}
    COMMENT "Host package archive ${VIBREL_MAX_ZIP}"
    VERBATIM)
  add_dependencies(vibrel_max_zip vibrel_package)
endif()

# The Pd library folder as a deken package: vibrel_deken_package().
include(${PROJECT_SOURCE_DIR}/cmake/deken.cmake)

# Target vibrel_pd_library: the Pd library folder of every system (cmake/pd_library.cmake), after the cross
# builds; target vibrel_deken: its deken package in <build>/package, the archive named after exactly these.
if(TARGET vibrel_pd AND Python3_Interpreter_FOUND)
  # The package holds the library's stripped copy (cmake/pd_library.cmake), not the folder the tests load.
  set(VIBREL_PD_SHIP_DIR ${PROJECT_BINARY_DIR}/package/pd/vibrel)
  add_custom_target(vibrel_pd_library
    COMMAND ${CMAKE_COMMAND} -DVIBREL_CROSS_ROOT=${VIBREL_CROSS_ROOT} -DVIBREL_PD_DIR=${VIBREL_PD_DIR}
      -DVIBREL_SOURCE_DIR=${PROJECT_SOURCE_DIR} -DVIBREL_PD_SHIP_DIR=${VIBREL_PD_SHIP_DIR}
      -P ${PROJECT_SOURCE_DIR}/cmake/pd_library.cmake
    COMMENT "Pd library folder of every system in ${VIBREL_PD_DIR}"
    VERBATIM)
  add_dependencies(vibrel_pd_library vibrel_pd)
  vibrel_deken_package(vibrel_deken ${VIBREL_PD_SHIP_DIR} ${PROJECT_BINARY_DIR}/package
    Linux-amd64-32 Linux-amd64-64 Linux-arm64-32 Linux-arm64-64 Linux-armv7l-32
    Windows-amd64-32 Windows-amd64-64 Darwin-amd64-32 Darwin-arm64-32 Darwin-amd64-64 Darwin-arm64-64)
  add_dependencies(vibrel_deken vibrel_pd_library)
endif()

# Target vibrel_sc_zip: the SuperCollider extension folder of every system (cmake/sc_archive.cmake), after
# the cross builds, as <build>/package/vibrel-VERSION-supercollider.zip and its .sha256 (unzipped into
# Platform.userExtensionDir it is the installed extension).
if(TARGET vibrel_sc AND Python3_Interpreter_FOUND)
  add_custom_target(vibrel_sc_zip
    COMMAND ${CMAKE_COMMAND} -DVIBREL_CROSS_ROOT=${VIBREL_CROSS_ROOT} -DVIBREL_SC_EXTENSION_DIR=${VIBREL_SC_EXTENSION_DIR}
      -DVIBREL_OUT=${PROJECT_BINARY_DIR}/package -DVIBREL_VERSION=${PROJECT_VERSION}
      -DVIBREL_SOURCE_DIR=${PROJECT_SOURCE_DIR} -DPYTHON=$<TARGET_FILE:Python3::Interpreter>
      -P ${PROJECT_SOURCE_DIR}/cmake/sc_archive.cmake
    COMMENT "SuperCollider archive ${PROJECT_BINARY_DIR}/package/vibrel-${PROJECT_VERSION}-supercollider.zip"
    VERBATIM)
  add_dependencies(vibrel_sc_zip vibrel_sc_extension)
endif()
