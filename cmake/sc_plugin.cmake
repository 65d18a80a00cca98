# The SuperCollider plug-in: one file holding both UGens (Vibrel, order 7; VibrelLite, order 5), from sc/
# and each variant's float host, in the Linux build and in each cross build (Linux aarch64 and armv7,
# Windows x86-64, both macOS slices). Our own declarations of the server's interface (sc/sc_api.h) serve
# every target. The plug-in lands alone in ${VIBREL_SC_PLUGIN_DIR}: the server loads every plug-in under a
# folder it is given, so the tests point it there.
set(VIBREL_SC_CLASS_full Vibrel)
set(VIBREL_SC_CLASS_lite VibrelLite)
set(VIBREL_SC_PLUGIN_DIR ${PROJECT_BINARY_DIR}/sc/plugins)
# The extension folder as users install it (in Platform.userExtensionDir): Classes/, HelpSource/ and the
# plug-ins in plugins/<system>/. The server skips a folder named for another system (osx, windows, linux)
# and any named "ignore"; it cannot survive a plug-in it fails to load (scsynth 3.13 on Linux crashes), so
# in the release archive (cmake/sc_archive.cmake) each Linux processor's file waits under plugins/ignore/
# for the user to move one into plugins/linux/ (README). Here: this build's plug-in, where it is installed.
set(VIBREL_SC_EXTENSION_DIR ${PROJECT_BINARY_DIR}/sc/extension/Vibrel)
if(APPLE)
  set(VIBREL_SC_SYSTEM osx) # the universal file of both slices
elseif(WIN32)
  set(VIBREL_SC_SYSTEM windows)
else()
  set(VIBREL_SC_SYSTEM linux)
endif()

# vibrel_sc_ugen_<variant>: one variant's UGen, in its own namespace (variants/<variant>/variant.h).
foreach(variant IN ITEMS full lite)
  add_library(vibrel_sc_ugen_${variant} OBJECT ${PROJECT_SOURCE_DIR}/sc/ugen.cpp)
  target_compile_definitions(vibrel_sc_ugen_${variant} PRIVATE VIBREL_SC_NAME="${VIBREL_SC_CLASS_${variant}}")
  target_link_libraries(vibrel_sc_ugen_${variant} PRIVATE vibrel_float_host_${variant} vibrel_plugin_flags)
  set_target_properties(vibrel_sc_ugen_${variant} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endforeach()

# The file is vibrel.so on Linux and vibrel.scx on macOS and Windows, the names the server looks for. It
# exports only the server's three entry points (load, api_version, server_type); it imports nothing from
# the server, whose functions come through the table load is given.
add_library(vibrel_sc MODULE ${PROJECT_SOURCE_DIR}/sc/vibrel_sc.cpp)
target_link_libraries(vibrel_sc PRIVATE vibrel_sc_ugen_full vibrel_sc_ugen_lite
  vibrel_float_host_full vibrel_float_host_lite vibrel_plugin_flags)
set(suffix .so)
if(WIN32 OR APPLE)
  set(suffix .scx)
endif()
set_target_properties(vibrel_sc PROPERTIES PREFIX "" SUFFIX ${suffix} OUTPUT_NAME vibrel
  LIBRARY_OUTPUT_DIRECTORY ${VIBREL_SC_PLUGIN_DIR})
if(WIN32)
  # The C library from msvcrt, before the compiler's own mathematics, as the host plug-ins do.
  target_link_libraries(vibrel_sc PRIVATE msvcrt)
  target_link_options(vibrel_sc PRIVATE LINKER:--exclude-all-symbols)
elseif(APPLE)
  # Signed ad hoc per slice; cmake/macos/universal.cmake joins the two.
  target_link_libraries(vibrel_sc PRIVATE ${PROJECT_SOURCE_DIR}/cmake/macos/libSystem.tbd)
  target_link_options(vibrel_sc PRIVATE LINKER:-exported_symbol,_load LINKER:-exported_symbol,_api_version
    LINKER:-exported_symbol,_server_type LINKER:-adhoc_codesign)
else()
  target_link_options(vibrel_sc PRIVATE -static-libgcc LINKER:--exclude-libs,ALL)
endif()

# The class file and help files beside the plug-in, in the extension folder.
file(GLOB_RECURSE sc_sources CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}/sc
  ${PROJECT_SOURCE_DIR}/sc/classes/*.sc ${PROJECT_SOURCE_DIR}/sc/HelpSource/*.schelp)
set(copies)
foreach(file IN LISTS sc_sources)
  string(REGEX REPLACE "^classes/" "Classes/" to "${file}")
  add_custom_command(OUTPUT ${VIBREL_SC_EXTENSION_DIR}/${to}
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/sc/${file} ${VIBREL_SC_EXTENSION_DIR}/${to}
    DEPENDS ${PROJECT_SOURCE_DIR}/sc/${file} VERBATIM)
  list(APPEND copies ${VIBREL_SC_EXTENSION_DIR}/${to})
endforeach()
add_custom_command(TARGET vibrel_sc POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VIBREL_SC_EXTENSION_DIR}/plugins/${VIBREL_SC_SYSTEM}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:vibrel_sc> ${VIBREL_SC_EXTENSION_DIR}/plugins/${VIBREL_SC_SYSTEM}/
  VERBATIM)
add_custom_target(vibrel_sc_extension ALL DEPENDS ${copies})
add_dependencies(vibrel_sc_extension vibrel_sc)
