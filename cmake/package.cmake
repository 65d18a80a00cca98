# Collects the host package folder <package dir>/vibrel: the six plug-ins of the Windows and macOS builds
# in externals/ (the macOS bundles universal, joined here from the two slice builds by
# cmake/macos/universal.cmake), the help patchers, reference pages, abstraction, overview patcher, mappings,
# licence, readme and package description from package/, and icon.png, drawn here by the Linux build's
# vibrel-render; the Windows plug-ins stripped.
#   cmake -DVIBREL_CROSS_ROOT=<folder holding win64, win32, macos-x86_64, macos-arm64> -DVIBREL_PACKAGE_DIR=<out>
#         -DVIBREL_RENDER=<vibrel-render> -DVIBREL_ICON_MODULE=<the Linux build's vibrel~.so> -P cmake/package.cmake
# (the Linux build's target vibrel_package passes all four). Starts from an empty folder each time, so a run
# never keeps a file the sources no longer have.
cmake_minimum_required(VERSION 3.25)
get_filename_component(source_dir ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
include(${CMAKE_CURRENT_LIST_DIR}/macos/universal.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/archives/strip.cmake)
if(NOT VIBREL_CROSS_ROOT)
  set(VIBREL_CROSS_ROOT ${source_dir}/build)
endif()
if(NOT VIBREL_PACKAGE_DIR)
  set(VIBREL_PACKAGE_DIR ${VIBREL_CROSS_ROOT}/package)
endif()
set(package ${VIBREL_PACKAGE_DIR}/vibrel)

# The oldest host the package serves. The plug-ins use the 64-bit signal chain (dsp64, dsp_add64 and
# double-precision perform routines), which the host has had since 6.0, and the package layout itself
# (externals/, help/, docs/refpages/, patchers/, extras/, init/, package-info.json) since 6.1. Nothing
# newer is required: the mc. forms that init/objectmappings.txt adds need the host's mc.wrapper~ (8.0)
# and simply do not exist before it, and what the patchers use (ezdac~'s "local", loadmess, dspstate~,
# expr, pcontrol's "load") is older than 6.0.
set(VIBREL_MAX_VERSION_MIN 6.1.0)

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
foreach(tool IN ITEMS VIBREL_RENDER VIBREL_ICON_MODULE)
  if(NOT ${tool} OR NOT EXISTS "${${tool}}")
    message(FATAL_ERROR "${tool} is not set or not built: the icon is drawn by the Linux build's vibrel-render "
      "(build its target vibrel_package)")
  endif()
endforeach()

file(READ ${source_dir}/package/package-info.json info)
string(JSON max_version_min GET "${info}" max_version_min)
if(NOT max_version_min VERSION_EQUAL VIBREL_MAX_VERSION_MIN)
  message(FATAL_ERROR "package-info.json says max_version_min ${max_version_min}; the package needs "
    "${VIBREL_MAX_VERSION_MIN} (cmake/package.cmake says why)")
endif()

file(REMOVE_RECURSE ${package})
file(MAKE_DIRECTORY ${package}/externals)
file(COPY ${modules} DESTINATION ${package}/externals)
vibrel_macos_universal(${VIBREL_CROSS_ROOT} ${package}/externals)
# The plug-ins as shipped: stripped (cmake/archives/strip.cmake), any debug sections kept beside the
# package folder, in debug/max, never inside it.
file(REMOVE_RECURSE ${VIBREL_PACKAGE_DIR}/debug/max)
vibrel_strip_shipped(${package}/externals ${VIBREL_PACKAGE_DIR}/debug/max)
file(COPY ${source_dir}/package/package-info.json ${source_dir}/package/license.md ${source_dir}/package/readme.md
  DESTINATION ${package})
foreach(folder IN ITEMS help docs patchers extras init)
  if(EXISTS ${source_dir}/package/${folder})
    file(COPY ${source_dir}/package/${folder} DESTINATION ${package})
  endif()
endforeach()

# icon.png: the spectrogram of a short score, the same bytes from the same sources. The sound file the
# renderer writes on the way is not part of the package.
set(scratch ${VIBREL_PACKAGE_DIR}/icon-render)
file(MAKE_DIRECTORY ${scratch})
execute_process(COMMAND ${VIBREL_RENDER} ${source_dir}/cmake/icon.score --module ${VIBREL_ICON_MODULE}
    -o ${scratch}/icon.wav --icon ${package}/icon.png
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
file(REMOVE_RECURSE ${scratch})
if(NOT status EQUAL 0)
  message(FATAL_ERROR "Drawing the icon failed:\n${out}")
endif()

# Everything the description lists must be in the folder.
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
