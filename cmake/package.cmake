# Collects the host package folder <package dir>/vibrel: the six plug-ins of the Windows and macOS builds
# in externals/ (the macOS bundles universal, joined here from the two slice builds by
# cmake/macos/universal.cmake), the help patchers, reference pages and package description from package/.
#   cmake -DVIBREL_CROSS_ROOT=<folder holding win64, win32, macos-x86_64, macos-arm64>
#         -DVIBREL_PACKAGE_DIR=<out> -P cmake/package.cmake
# Starts from an empty folder each time, so a run never keeps a file the sources no longer have.
cmake_minimum_required(VERSION 3.25)
get_filename_component(source_dir ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
include(${CMAKE_CURRENT_LIST_DIR}/macos/universal.cmake)
if(NOT VIBREL_CROSS_ROOT)
  set(VIBREL_CROSS_ROOT ${source_dir}/build)
endif()
if(NOT VIBREL_PACKAGE_DIR)
  set(VIBREL_PACKAGE_DIR ${VIBREL_CROSS_ROOT}/package)
endif()
set(package ${VIBREL_PACKAGE_DIR}/vibrel)

set(modules)
set(slices)
foreach(class IN ITEMS "vibrel~" "vibrel-lite~")
  list(APPEND modules
    ${VIBREL_CROSS_ROOT}/win64/externals/${class}.mxe64
    ${VIBREL_CROSS_ROOT}/win32/externals/${class}.mxe)
  list(APPEND slices
    ${VIBREL_CROSS_ROOT}/macos-x86_64/externals/${class}.mxo
    ${VIBREL_CROSS_ROOT}/macos-arm64/externals/${class}.mxo)
endforeach()
set(missing)
foreach(m IN LISTS modules slices)
  if(NOT EXISTS ${m})
    list(APPEND missing ${m})
  endif()
endforeach()
if(missing)
  list(JOIN missing "\n  " text)
  message(FATAL_ERROR "Not built yet (run .ci/cross.sh):\n  ${text}")
endif()

file(REMOVE_RECURSE ${package})
file(MAKE_DIRECTORY ${package}/externals)
file(COPY ${modules} DESTINATION ${package}/externals)
vibrel_macos_universal(${VIBREL_CROSS_ROOT} ${package}/externals)
file(COPY ${source_dir}/package/package-info.json DESTINATION ${package})
foreach(folder IN ITEMS help docs)
  if(EXISTS ${source_dir}/package/${folder})
    file(COPY ${source_dir}/package/${folder} DESTINATION ${package})
  endif()
endforeach()

# Everything the description lists must be in the folder.
file(READ ${source_dir}/package/package-info.json info)
string(JSON folders LENGTH "${info}" filelist)
math(EXPR last "${folders} - 1")
set(absent)
foreach(i RANGE ${last})
  string(JSON folder MEMBER "${info}" filelist ${i})
  string(JSON count LENGTH "${info}" filelist ${folder})
  math(EXPR lastFile "${count} - 1")
  foreach(j RANGE ${lastFile})
    string(JSON name GET "${info}" filelist ${folder} ${j})
    if(NOT EXISTS ${package}/${folder}/${name})
      list(APPEND absent ${folder}/${name})
    endif()
  endforeach()
endforeach()
if(absent)
  list(JOIN absent ", " text)
  message(WARNING "package-info.json lists files the package does not have yet: ${text}")
endif()
message(STATUS "Package: ${package}")
