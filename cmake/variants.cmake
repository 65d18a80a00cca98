# The two deliverables from one set of sources; the variant header (order M, class name) is all that differs.
set(VIBREL_CLASS_full "vibrel~")
set(VIBREL_CLASS_lite "vibrel-lite~")

# Whether the processor check may choose the AVX routines. Off only for the valgrind build: valgrind
# 3.19 does not decode the register form of VEX vmovq (c5 .. d6) that GCC emits in them.
option(VIBREL_AVX_PATH "Let the processor check choose the AVX routines" ON)

# vibrel_core_<variant>: the string model, host-independent.
function(vibrel_add_core variant)
  set(target vibrel_core_${variant})
  add_library(${target} STATIC
    ${PROJECT_SOURCE_DIR}/core/cosine.cpp
    ${PROJECT_SOURCE_DIR}/core/design.cpp
    ${PROJECT_SOURCE_DIR}/core/isa.cpp
    ${PROJECT_SOURCE_DIR}/core/state.cpp
    ${PROJECT_SOURCE_DIR}/core/vibrel.dsp.cpp)
  target_include_directories(${target} PUBLIC
    ${PROJECT_SOURCE_DIR}/core
    ${PROJECT_SOURCE_DIR}/hostapi
    ${PROJECT_SOURCE_DIR}/variants/${variant})
  target_link_libraries(${target} PRIVATE vibrel_plugin_flags)
  set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  if(NOT VIBREL_AVX_PATH)
    set_source_files_properties(${PROJECT_SOURCE_DIR}/core/isa.cpp TARGET_DIRECTORY ${target}
      PROPERTIES COMPILE_DEFINITIONS VIBREL_NO_AVX_PATH)
  endif()
  if(WIN32)
    # mingw-w64 GCC keeps Windows' 16-byte stack alignment and does not realign the stack for 32-byte
    # spills of the AVX routines, whose aligned moves would fault: the assembler writes every aligned
    # vector move as its unaligned form, as fast on aligned data (binutils 2.38 and later).
    target_compile_options(${target} PRIVATE -Wa,-muse-unaligned-vector-move)
  endif()
  if(NOT WIN32 AND NOT APPLE)
    target_link_libraries(${target} PUBLIC m)
  endif()
endfunction()

# vibrel_float_host_<variant>: the string as the float hosts (Pd, SuperCollider, the browser) see it, over
# the string model; their bindings link it.
function(vibrel_add_float_host variant)
  set(target vibrel_float_host_${variant})
  add_library(${target} STATIC ${PROJECT_SOURCE_DIR}/float_host/float_string.cpp)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/float_host PRIVATE ${PROJECT_SOURCE_DIR}/host)
  target_link_libraries(${target} PUBLIC vibrel_core_${variant} PRIVATE vibrel_plugin_flags)
  set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()

# vibrel_<variant>: the loadable plug-in module, named for the target (cmake/output_naming.cmake).
function(vibrel_add_plugin variant)
  set(target vibrel_${variant})
  add_library(${target} MODULE ${PROJECT_SOURCE_DIR}/host/vibrel.cpp ${PROJECT_SOURCE_DIR}/host/reports.cpp)
  target_link_libraries(${target} PRIVATE vibrel_core_${variant} vibrel_plugin_flags)
  vibrel_name_plugin(${target} "${VIBREL_CLASS_${variant}}")
  vibrel_describe_plugin(${target} "${VIBREL_CLASS_${variant}}")
endfunction()
