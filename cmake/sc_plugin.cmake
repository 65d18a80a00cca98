# The SuperCollider plug-in: one file holding both UGens (Vibrel, order 7; VibrelLite, order 5), from sc/
# and each variant's float host, in the Linux build and in each cross build (Linux aarch64 and armv7,
# Windows x86-64, both macOS slices). Our own declarations of the server's interface (sc/sc_api.h) serve
# every target. The plug-in lands alone in ${VIBREL_SC_PLUGIN_DIR}: the server loads every plug-in under a
# folder it is given, so the tests point it there.
set(VIBREL_SC_CLASS_full Vibrel)
set(VIBREL_SC_CLASS_lite VibrelLite)
set(VIBREL_SC_PLUGIN_DIR ${PROJECT_BINARY_DIR}/sc/plugins)

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
