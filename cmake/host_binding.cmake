# How each plug-in module binds to the host on its target: the host libraries it links against, the C
# headers its sources see, and the one symbol it exports. Included once the plug-in targets exist.

if(WIN32)
  # Import libraries of the host's MaxAPI.dll and MaxAudio.dll, made from our own lists of what the
  # plug-ins call; the stand-in DLLs of the Windows test host export from the same lists.
  set(VIBREL_WINDOWS_DIR ${PROJECT_SOURCE_DIR}/cmake/windows)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(VIBREL_MAXAPI_DEF ${VIBREL_WINDOWS_DIR}/MaxAPI-x64.def)
  else()
    set(VIBREL_MAXAPI_DEF ${VIBREL_WINDOWS_DIR}/MaxAPI-x86.def)
  endif()
  set(VIBREL_MAXAUDIO_DEF ${VIBREL_WINDOWS_DIR}/MaxAudio.def)

  set(import_dir ${PROJECT_BINARY_DIR}/hostlib)
  file(MAKE_DIRECTORY ${import_dir}) # the commands below run in it
  set(import_files)
  foreach(name IN ITEMS MaxAPI MaxAudio)
    string(TOUPPER ${name} upper)
    set(def ${VIBREL_${upper}_DEF})
    set(lib ${import_dir}/lib${name}.a)
    add_custom_command(OUTPUT ${lib}
      # Named from its own folder: dlltool builds the library's symbol names from the path it is given.
      COMMAND ${VIBREL_DLLTOOL} -d ${def} -D ${name}.dll -l lib${name}.a
      WORKING_DIRECTORY ${import_dir}
      DEPENDS ${def}
      COMMENT "Import library of ${name}.dll"
      VERBATIM)
    add_library(vibrel_import_${name} STATIC IMPORTED GLOBAL)
    set_target_properties(vibrel_import_${name} PROPERTIES IMPORTED_LOCATION ${lib})
    list(APPEND import_files ${lib})
  endforeach()
  add_custom_target(vibrel_host_imports DEPENDS ${import_files})

  # The plug-in sees the C library's own headers (not the C++ wrappers, which switch formatted output to
  # the compiler runtime's replacement): sprintf then binds to the host's export in MaxAPI.dll.
  target_compile_options(vibrel_plugin_flags INTERFACE $<$<COMPILE_LANGUAGE:CXX>:-nostdinc++>)
  target_compile_definitions(vibrel_plugin_flags INTERFACE __USE_MINGW_ANSI_STDIO=0)
elseif(APPLE)
  set(VIBREL_MACOS_DIR ${PROJECT_SOURCE_DIR}/cmake/macos)
endif()

# Host libraries first, so that sprintf comes from MaxAPI.dll; then msvcrt before the compiler's own
# mathematics, so that cos is the system library's. Only `main` is exported.
function(vibrel_bind_plugin target)
  if(WIN32)
    add_dependencies(${target} vibrel_host_imports)
    target_link_libraries(${target} PRIVATE vibrel_import_MaxAPI vibrel_import_MaxAudio msvcrt)
    target_link_options(${target} PRIVATE LINKER:--exclude-all-symbols)
  elseif(APPLE)
    # The audio framework and libSystem bind by library; every other host operation is left to the
    # host process to resolve by name at load. The linker signs each slice ad hoc: Apple Silicon runs
    # no arm64 code without a valid signature (ld64.lld signs arm64 by default; said here for both).
    target_link_libraries(${target} PRIVATE ${VIBREL_MACOS_DIR}/libSystem.tbd ${VIBREL_MACOS_DIR}/MaxAudioAPI.tbd)
    target_link_options(${target} PRIVATE LINKER:-undefined,dynamic_lookup LINKER:-exported_symbol,_main
      LINKER:-adhoc_codesign)
  endif()
endfunction()

foreach(variant IN ITEMS full lite)
  if(TARGET vibrel_${variant})
    vibrel_bind_plugin(vibrel_${variant})
  endif()
endforeach()
