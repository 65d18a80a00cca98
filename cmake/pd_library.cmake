# The Pd library folder of every system: the Linux build's own externals, help patches and tuning
# abstraction are in it already; this adds each cross build's externals (Linux aarch64 and armv7,
# Windows x86-64, the universal macOS files that cmake/macos/universal.cmake joins), the README and the
# licence. Run by the Linux build's target vibrel_pd_library, after .ci/cross.sh:
#   cmake -DVIBREL_CROSS_ROOT=<folder of the cross builds> -DVIBREL_PD_DIR=<library folder>
#         -DVIBREL_SOURCE_DIR=<source folder> [-DVIBREL_PD_SHIP_DIR=<folder>/<library name>]
#         -P cmake/pd_library.cmake
# With VIBREL_PD_SHIP_DIR, the folder as the deken package ships it is made there too: a copy whose
# binaries are stripped, their debug sections in <folder>/debug (the build's own folder, which the tests
# load, keeps them).
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/archives/strip.cmake)

foreach(build IN ITEMS aarch64 armv7 win64 macos)
  set(from ${VIBREL_CROSS_ROOT}/${build}/pd/vibrel)
  # Everything there but the patches (the same as the Linux build's): the externals under every name.
  file(GLOB files LIST_DIRECTORIES false ${from}/*)
  list(FILTER files EXCLUDE REGEX "\\.pd$")
  if(NOT files)
    message(FATAL_ERROR "No Pd externals in ${from}: build the cross targets with .ci/cross.sh")
  endif()
  file(COPY ${files} DESTINATION ${VIBREL_PD_DIR})
endforeach()
file(COPY ${VIBREL_SOURCE_DIR}/pd/README.txt ${VIBREL_SOURCE_DIR}/package/license.md DESTINATION ${VIBREL_PD_DIR})

if(VIBREL_PD_SHIP_DIR)
  get_filename_component(ship_parent ${VIBREL_PD_SHIP_DIR} DIRECTORY)
  file(REMOVE_RECURSE ${VIBREL_PD_SHIP_DIR} ${ship_parent}/debug)
  file(COPY ${VIBREL_PD_DIR}/ DESTINATION ${VIBREL_PD_SHIP_DIR})
  vibrel_strip_shipped(${VIBREL_PD_SHIP_DIR} ${ship_parent}/debug)
endif()
