# Compile options that keep every sample bit-exact across targets: no contraction into fused
# multiply-adds, no reassociation, and SSE2 doubles (never x87) on 32-bit x86.
add_library(vibrel_exact_math INTERFACE)
target_compile_options(vibrel_exact_math INTERFACE
  -ffp-contract=off -fno-fast-math -fno-unsafe-math-optimizations
  $<$<STREQUAL:${CMAKE_SYSTEM_PROCESSOR},i686>:-msse2 -mfpmath=sse>)

add_library(vibrel_warnings INTERFACE)
target_compile_options(vibrel_warnings INTERFACE -Wall -Wextra -Wpedantic)

# The plug-in's own code: no C++ runtime, no exceptions, no RTTI, nothing visible but the entry point.
add_library(vibrel_plugin_flags INTERFACE)
target_compile_options(vibrel_plugin_flags INTERFACE
  $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti> -fvisibility=hidden)
target_link_libraries(vibrel_plugin_flags INTERFACE vibrel_exact_math vibrel_warnings)
