# The universal macOS bundles: each <class>.mxo of the x86_64 build with its executable replaced by one
# holding both slices (llvm-lipo; each slice keeps the ad-hoc signature its linker made).
#   cmake -DVIBREL_CROSS_ROOT=<folder holding macos-x86_64, macos-arm64> -P cmake/macos/universal.cmake
# writes <cross root>/macos/externals/<class>.mxo (cmake/package.cmake calls the same function), the
# universal Pd externals, <cross root>/macos/pd/vibrel/<class>.darwin-fat-<floatsize>.so and .d_fat, and the
# universal SuperCollider plug-in, <cross root>/macos/sc/vibrel.scx.
cmake_minimum_required(VERSION 3.25)

# vibrel_macos_universal(<cross root> <output folder>): both bundles into <output folder>, replacing any
# there. Fails when a slice is missing or when the two builds' Info.plist or PkgInfo differ.
function(vibrel_macos_universal root out)
  find_program(VIBREL_LIPO NAMES llvm-lipo-14 llvm-lipo HINTS /usr/lib/llvm-14/bin REQUIRED)
  foreach(class IN ITEMS "vibrel~" "vibrel-lite~")
    set(intel ${root}/macos-x86_64/externals/${class}.mxo)
    set(arm ${root}/macos-arm64/externals/${class}.mxo)
    foreach(bundle IN ITEMS ${intel} ${arm})
      if(NOT EXISTS ${bundle}/Contents/MacOS/${class})
        message(FATAL_ERROR "Not built yet (run .ci/cross.sh): ${bundle}")
      endif()
    endforeach()
    foreach(file IN ITEMS Info.plist PkgInfo)
      file(SHA256 ${intel}/Contents/${file} a)
      file(SHA256 ${arm}/Contents/${file} b)
      if(NOT a STREQUAL b)
        message(FATAL_ERROR "${class}: the x86_64 and arm64 builds disagree on Contents/${file}")
      endif()
    endforeach()
    file(REMOVE_RECURSE ${out}/${class}.mxo)
    file(COPY ${intel} DESTINATION ${out})
    execute_process(COMMAND ${VIBREL_LIPO} -create ${intel}/Contents/MacOS/${class} ${arm}/Contents/MacOS/${class}
        -output ${out}/${class}.mxo/Contents/MacOS/${class}
      COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
endfunction()

# vibrel_macos_universal_pd(<cross root> <output folder>): each Pd external of the x86_64 build (named
# for the universal file already, cmake/output_naming.cmake) joined with the arm64 build's of that name.
function(vibrel_macos_universal_pd root out)
  find_program(VIBREL_LIPO NAMES llvm-lipo-14 llvm-lipo HINTS /usr/lib/llvm-14/bin REQUIRED)
  file(GLOB intel_files ${root}/macos-x86_64/pd/vibrel/*.darwin-fat-*.so ${root}/macos-x86_64/pd/vibrel/*.d_fat)
  if(NOT intel_files)
    message(FATAL_ERROR "No Pd externals in ${root}/macos-x86_64/pd/vibrel (run .ci/cross.sh)")
  endif()
  file(MAKE_DIRECTORY ${out})
  foreach(intel IN LISTS intel_files)
    get_filename_component(name ${intel} NAME)
    set(arm ${root}/macos-arm64/pd/vibrel/${name})
    if(NOT EXISTS ${arm})
      message(FATAL_ERROR "Not built yet (run .ci/cross.sh): ${arm}")
    endif()
    execute_process(COMMAND ${VIBREL_LIPO} -create ${intel} ${arm} -output ${out}/${name} COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
endfunction()

# vibrel_macos_universal_sc(<cross root> <output folder>): the SuperCollider plug-in of both slices.
function(vibrel_macos_universal_sc root out)
  find_program(VIBREL_LIPO NAMES llvm-lipo-14 llvm-lipo HINTS /usr/lib/llvm-14/bin REQUIRED)
  set(slices ${root}/macos-x86_64/sc/plugins/vibrel.scx ${root}/macos-arm64/sc/plugins/vibrel.scx)
  foreach(slice IN LISTS slices)
    if(NOT EXISTS ${slice})
      message(FATAL_ERROR "Not built yet (run .ci/cross.sh): ${slice}")
    endif()
  endforeach()
  file(MAKE_DIRECTORY ${out})
  execute_process(COMMAND ${VIBREL_LIPO} -create ${slices} -output ${out}/vibrel.scx COMMAND_ERROR_IS_FATAL ANY)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  if(NOT VIBREL_CROSS_ROOT)
    get_filename_component(VIBREL_CROSS_ROOT ${CMAKE_CURRENT_LIST_DIR}/../../build ABSOLUTE)
  endif()
  vibrel_macos_universal(${VIBREL_CROSS_ROOT} ${VIBREL_CROSS_ROOT}/macos/externals)
  message(STATUS "Universal bundles: ${VIBREL_CROSS_ROOT}/macos/externals")
  if(EXISTS ${VIBREL_CROSS_ROOT}/macos-x86_64/pd/vibrel)
    vibrel_macos_universal_pd(${VIBREL_CROSS_ROOT} ${VIBREL_CROSS_ROOT}/macos/pd/vibrel)
    message(STATUS "Universal Pd externals: ${VIBREL_CROSS_ROOT}/macos/pd/vibrel")
  endif()
  if(EXISTS ${VIBREL_CROSS_ROOT}/macos-x86_64/sc/plugins)
    vibrel_macos_universal_sc(${VIBREL_CROSS_ROOT} ${VIBREL_CROSS_ROOT}/macos/sc)
    message(STATUS "Universal SuperCollider plug-in: ${VIBREL_CROSS_ROOT}/macos/sc")
  endif()
endif()
