# The SuperCollider extension folder of every system and its archive: the Linux build's extension folder
# (class file, help files, its plug-in) with each cross build's plug-in (Linux aarch64 and armv7, Windows
# x86-64, the universal macOS file that cmake/macos/universal.cmake joins) and the licence, in
# <output>/supercollider/Vibrel, zipped as <output>/vibrel-<version>-supercollider.zip with its .sha256;
# the binaries stripped, their debug sections in <output>/debug/supercollider.
# Run by the Linux build's target vibrel_sc_zip, after .ci/cross.sh:
#   cmake -DVIBREL_CROSS_ROOT=<cross builds> -DVIBREL_SC_EXTENSION_DIR=<this build's> -DVIBREL_OUT=<folder>
#         -DVIBREL_VERSION=<version> -DVIBREL_SOURCE_DIR=<source folder> -DPYTHON=<python3> -P cmake/sc_archive.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/archives/strip.cmake)

# Where each system's file goes (cmake/sc_plugin.cmake): the server skips the folders of other systems; the
# Linux files of every processor wait under ignore/ (a plug-in that fails to load crashes scsynth 3.13),
# the user moves the one for the machine into plugins/linux/.
set(files
  "${VIBREL_SC_EXTENSION_DIR}/plugins/linux/vibrel.so=ignore/linux-x86_64"
  "${VIBREL_CROSS_ROOT}/aarch64/sc/plugins/vibrel.so=ignore/linux-arm64"
  "${VIBREL_CROSS_ROOT}/armv7/sc/plugins/vibrel.so=ignore/linux-armv7"
  "${VIBREL_CROSS_ROOT}/win64/sc/plugins/vibrel.scx=windows"
  "${VIBREL_CROSS_ROOT}/macos/sc/vibrel.scx=osx")
set(folder ${VIBREL_OUT}/supercollider/Vibrel)
file(REMOVE_RECURSE ${VIBREL_OUT}/supercollider)
file(MAKE_DIRECTORY ${folder}/plugins)
file(COPY ${VIBREL_SC_EXTENSION_DIR}/Classes ${VIBREL_SC_EXTENSION_DIR}/HelpSource DESTINATION ${folder})
foreach(entry IN LISTS files)
  string(REPLACE "=" ";" pair "${entry}")
  list(GET pair 0 from)
  list(GET pair 1 to)
  if(NOT EXISTS ${from})
    message(FATAL_ERROR "Not built yet (run .ci/cross.sh): ${from}")
  endif()
  file(COPY ${from} DESTINATION ${folder}/plugins/${to})
endforeach()
file(COPY ${VIBREL_SOURCE_DIR}/package/license.md DESTINATION ${folder})
# The plug-ins as shipped: stripped, any debug sections kept beside the archive (cmake/archives/strip.cmake).
file(REMOVE_RECURSE ${VIBREL_OUT}/debug/supercollider)
vibrel_strip_shipped(${folder}/plugins ${VIBREL_OUT}/debug/supercollider)
execute_process(COMMAND ${PYTHON} ${VIBREL_SOURCE_DIR}/cmake/archives/reproducible_zip.py ${folder}
    ${VIBREL_OUT}/vibrel-${VIBREL_VERSION}-supercollider.zip
  COMMAND_ERROR_IS_FATAL ANY)
