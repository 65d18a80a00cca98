# Per-target names of the plug-in module, in one place:
#   Windows x86-64  <class>.mxe64      Windows x86  <class>.mxe
#   macOS x86-64    <class>.mxo bundle Linux        <class>.so (loaded by the emulator only)
function(vibrel_name_plugin target class)
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME "${class}"
    LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/externals)
  if(WIN32)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      set_target_properties(${target} PROPERTIES SUFFIX ".mxe64")
    else()
      set_target_properties(${target} PROPERTIES SUFFIX ".mxe")
    endif()
  elseif(APPLE)
    set_target_properties(${target} PROPERTIES BUNDLE TRUE BUNDLE_EXTENSION "mxo")
  else()
    set_target_properties(${target} PROPERTIES SUFFIX ".so")
  endif()
endfunction()
