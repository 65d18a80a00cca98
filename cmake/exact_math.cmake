# Compile options that keep every sample bit-exact across targets: no contraction into fused
# multiply-adds, no reassociation, and SSE2 doubles (never x87) on 32-bit x86. They apply to every file
# the project compiles (plug-ins, emulator, tools, tests, benchmarks): included before any target.
#
# VIBREL_FP_CONTRACT exists to show what the exactness checks catch (e.g. "fast" on aarch64, where the
# compiler otherwise fuses a*b+c); the deliverables are built with "off" only.
set(VIBREL_FP_CONTRACT off CACHE STRING "Floating-point contraction: off (exact), on or fast (for demonstration)")
set_property(CACHE VIBREL_FP_CONTRACT PROPERTY STRINGS off on fast)

set(VIBREL_EXACT_MATH_FLAGS -ffp-contract=${VIBREL_FP_CONTRACT} -fno-fast-math)
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang" AND (CMAKE_SYSTEM_PROCESSOR MATCHES "^(arm64|aarch64)$" OR EMSCRIPTEN))
  # clang 14 takes -fno-unsafe-math-optimizations as a request for strict floating-point exceptions,
  # which it cannot honour on arm64 or WebAssembly: it warns and keeps its default, so the flag adds
  # nothing there.
else()
  list(APPEND VIBREL_EXACT_MATH_FLAGS -fno-unsafe-math-optimizations)
endif()
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  list(APPEND VIBREL_EXACT_MATH_FLAGS -msse2 -mfpmath=sse)
endif()
add_compile_options(${VIBREL_EXACT_MATH_FLAGS})

add_library(vibrel_warnings INTERFACE)
target_compile_options(vibrel_warnings INTERFACE -Wall -Wextra -Wpedantic)

# The plug-in's own code: no C++ runtime, no exceptions, no RTTI, nothing visible but the entry point.
add_library(vibrel_plugin_flags INTERFACE)
target_compile_options(vibrel_plugin_flags INTERFACE
  $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti> -fvisibility=hidden)
target_link_libraries(vibrel_plugin_flags INTERFACE vibrel_warnings)
