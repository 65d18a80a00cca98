# The string in the browser. Included twice: by the Linux build, which configures a WebAssembly build of
# this same source tree with emscripten's toolchain (into <build>/wasm) and assembles the npm package
# folder <build>/web (target vibrel_web); and by that WebAssembly build itself (EMSCRIPTEN), which makes
# one module per variant from the model's own sources. Same exactness flags (cmake/exact_math.cmake):
# WebAssembly's doubles round to nearest and never fuse; the loop flushes to zero itself (core/flushed.h).
if(EMSCRIPTEN)
  # Two lanes of doubles in WebAssembly's 128-bit SIMD for the batched paths (core/lanes.h).
  add_compile_options(-msimd128)
  set(exports vibrel_web_new vibrel_web_free vibrel_web_input vibrel_web_output vibrel_web_process
    vibrel_web_clear vibrel_web_info vibrel_web_params vibrel_web_text vibrel_web_path vibrel_web_process64
    vibrel_web_alloc vibrel_web_release)
  list(TRANSFORM exports PREPEND "_")
  list(JOIN exports "," exports)
  foreach(variant IN ITEMS full lite)
    vibrel_add_core(${variant})
    vibrel_add_float_host(${variant})
    set(target vibrel_web_${variant})
    add_executable(${target} ${PROJECT_SOURCE_DIR}/web/vibrel_web.cpp)
    target_link_libraries(${target} PRIVATE vibrel_float_host_${variant} vibrel_plugin_flags)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME vibrel-${variant} SUFFIX .wasm)
    # A module of its own (no JavaScript glue, no file system), one instance per node: 1 MiB of memory to
    # start with (a 64 KiB stack and a string of the default length), growing for longer lines.
    target_link_options(${target} PRIVATE --no-entry -sSTANDALONE_WASM=1 -sALLOW_MEMORY_GROWTH=1 -sFILESYSTEM=0
      -sINITIAL_MEMORY=1048576 -sTOTAL_STACK=65536
      -sERROR_ON_UNDEFINED_SYMBOLS=1 -sEXPORTED_FUNCTIONS=${exports})
  endforeach()
  return()
endif()

find_program(VIBREL_EMCMAKE emcmake DOC "emscripten's emcmake (Debian 12: emscripten 3.1.6)")
option(VIBREL_WEB "Build the WebAssembly module and the npm package folder (needs emscripten)" ON)
if(NOT VIBREL_WEB)
  return()
endif()
if(NOT VIBREL_EMCMAKE)
  message(WARNING "emscripten not found: no WebAssembly build, no npm package folder (install emscripten)")
  return()
endif()

include(ExternalProject)
# Debian's emscripten runs its tools under the system's node with Debian's node modules; NodeSource's
# node does not look there by itself.
set(emscripten_env ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
set(VIBREL_WASM_DIR ${PROJECT_BINARY_DIR}/wasm)
ExternalProject_Add(vibrel_wasm
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${VIBREL_WASM_DIR}
  CONFIGURE_COMMAND ${emscripten_env} ${VIBREL_EMCMAKE} ${CMAKE_COMMAND} -S <SOURCE_DIR> -B <BINARY_DIR>
    -DCMAKE_BUILD_TYPE=Release
  # One job at a time inside (the outer build's job server is not passed on); the modules are small.
  BUILD_COMMAND ${emscripten_env} --unset=MAKEFLAGS ${CMAKE_COMMAND} --build <BINARY_DIR>
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${VIBREL_WASM_DIR}/vibrel-full.wasm ${VIBREL_WASM_DIR}/vibrel-lite.wasm)

# The npm package folder: the modules, the binding's JavaScript and its declarations, the page.
set(VIBREL_WEB_DIR ${PROJECT_BINARY_DIR}/web)
configure_file(${PROJECT_SOURCE_DIR}/web/package.json.in ${VIBREL_WEB_DIR}/package.json @ONLY)
set(web_files vibrel.js worklet.js vibrel.d.ts README.md index.html page.js)
list(TRANSFORM web_files PREPEND ${PROJECT_SOURCE_DIR}/web/ OUTPUT_VARIABLE web_sources)
list(APPEND web_sources ${PROJECT_SOURCE_DIR}/package/license.md) # the terms, as the host package's
add_custom_target(vibrel_web ALL
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${web_sources} ${VIBREL_WASM_DIR}/vibrel-full.wasm
    ${VIBREL_WASM_DIR}/vibrel-lite.wasm ${VIBREL_WEB_DIR}
  DEPENDS vibrel_wasm ${web_sources}
  COMMENT "npm package folder ${VIBREL_WEB_DIR}")
