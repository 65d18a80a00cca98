# Per-target names of the plug-in module, in one place:
#   Windows x86-64  <class>.mxe64      Windows x86  <class>.mxe
#   macOS           <class>.mxo bundle Linux        <class>.so (loaded by the emulator only)
# Each macOS build makes the bundle of its own slice; cmake/macos/universal.cmake joins the two.
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
    # vibrel~.mxo/Contents/{MacOS/vibrel~, Info.plist, PkgInfo}; the identifier drops the "~".
    string(REPLACE "~" "" stem "${class}")
    set_target_properties(${target} PROPERTIES BUNDLE TRUE BUNDLE_EXTENSION "mxo"
      MACOSX_BUNDLE_INFO_PLIST ${PROJECT_SOURCE_DIR}/cmake/macos/Info.plist.in
      MACOSX_BUNDLE_BUNDLE_NAME "${class}"
      MACOSX_BUNDLE_GUI_IDENTIFIER "org.vibrel.${stem}"
      MACOSX_BUNDLE_BUNDLE_VERSION "${PROJECT_VERSION}"
      MACOSX_BUNDLE_SHORT_VERSION_STRING "${PROJECT_VERSION}")
    set(pkginfo ${PROJECT_BINARY_DIR}/PkgInfo)
    file(WRITE ${pkginfo} "iLaXmax2") # package type and creator: a host plug-in; exactly 8 bytes
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy ${pkginfo} $<TARGET_BUNDLE_CONTENT_DIR:${target}>/PkgInfo VERBATIM)
  else()
    set_target_properties(${target} PROPERTIES SUFFIX ".so")
  endif()
endfunction()
