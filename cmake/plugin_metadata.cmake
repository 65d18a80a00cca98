# What each plug-in file says about itself beyond its code: the project's version (PROJECT_VERSION, the
# one place it is set) and the copyright, in a version resource on Windows and in the bundle's Info.plist
# on macOS (CFBundleLongVersionString, NSHumanReadableCopyright; cmake/macos/Info.plist.in).
set(VIBREL_AUTHOR "the vibrel developers")
set(VIBREL_COPYRIGHT "Copyright (c) 2026 ${VIBREL_AUTHOR}")
set(VIBREL_DESCRIPTION "Karplus-Strong string synthesiser for the Max audio host")

# Called once the plug-in target exists and is named (vibrel_name_plugin).
function(vibrel_describe_plugin target class)
  if(WIN32)
    # windres compiles the resource on its own: the plug-in's compile options are not for it.
    get_target_property(suffix ${target} SUFFIX)
    set(VIBREL_RC_CLASS "${class}")
    set(VIBREL_RC_FILE "${class}${suffix}")
    set(rc ${PROJECT_BINARY_DIR}/version/${target}.rc)
    set(res ${PROJECT_BINARY_DIR}/version/${target}.res.o)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/version.rc.in ${rc} @ONLY)
    add_custom_command(OUTPUT ${res}
      COMMAND ${CMAKE_RC_COMPILER} -O coff -i ${rc} -o ${res}
      DEPENDS ${rc}
      COMMENT "Version resource of ${VIBREL_RC_FILE}"
      VERBATIM)
    set_source_files_properties(${res} PROPERTIES EXTERNAL_OBJECT TRUE GENERATED TRUE)
    target_sources(${target} PRIVATE ${res})
  elseif(APPLE)
    set_target_properties(${target} PROPERTIES
      MACOSX_BUNDLE_LONG_VERSION_STRING "${class} ${PROJECT_VERSION}, ${VIBREL_COPYRIGHT}"
      MACOSX_BUNDLE_COPYRIGHT "${VIBREL_COPYRIGHT}")
  endif()
endfunction()
