# The Pd externals: one file per class and float size, from pd/ (the binding) and the shared string
# model, in the Linux build and in each cross build (Linux aarch64 and armv7, Windows x86-64, both macOS
# slices). Built when Pd's headers are found (Debian: puredata-dev; the build machine's headers serve
# every target: m_pd.h sizes its types from the compiler's own macros). Every external and the Pd
# library folder's other files land in ${VIBREL_PD_DIR}, a folder Pd can be pointed at with -path.
find_path(VIBREL_PD_INCLUDE_DIR m_pd.h PATHS /usr/include /usr/local/include PATH_SUFFIXES pd
  NO_CMAKE_FIND_ROOT_PATH DOC "Folder of Pd's m_pd.h")
set(VIBREL_PD_DIR ${PROJECT_BINARY_DIR}/pd/vibrel)
# Every Pd function the externals call, one a line (the Windows import libraries are made from it).
set(VIBREL_PD_FUNCTIONS ${PROJECT_SOURCE_DIR}/pd/pd_functions.list)

if(WIN32 AND VIBREL_PD_INCLUDE_DIR)
  # Windows externals bind to pd.dll (float Pd) or pd64.dll by import libraries made from that list.
  vibrel_import_library(vibrel_pd_import_32 pd.dll ${VIBREL_PD_FUNCTIONS})
  vibrel_import_library(vibrel_pd_import_64 pd64.dll ${VIBREL_PD_FUNCTIONS})
endif()

# How an external binds to Pd: Linux leaves Pd's functions to the running pd and exports nothing of
# the static libraries (libgcc's included); Windows imports them from pd.dll / pd64.dll and exports only the setup (marked
# for export in the source; the C library from msvcrt, before the compiler's own mathematics, as the
# host plug-ins do); macOS leaves them undefined in a flat namespace, for the pd process to resolve at
# load, and exports only the setup. Each macOS slice is signed ad hoc (cmake/host_binding.cmake).
function(vibrel_bind_pd_external target floatsize setup)
  if(WIN32)
    target_link_libraries(${target} PRIVATE vibrel_pd_import_${floatsize} msvcrt)
    target_link_options(${target} PRIVATE LINKER:--exclude-all-symbols)
  elseif(APPLE)
    target_link_libraries(${target} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/macos/libSystem.tbd)
    target_link_options(${target} PRIVATE LINKER:-flat_namespace LINKER:-undefined,suppress
      LINKER:-exported_symbol,_${setup} LINKER:-adhoc_codesign)
  else()
    # The compiler's helpers (armv7's conversions between double and 64-bit integers) linked in: nothing
    # needed beyond the C and math libraries.
    target_link_options(${target} PRIVATE -static-libgcc LINKER:--exclude-libs,ALL)
  endif()
endfunction()

# vibrel_add_pd_external(<variant> <floatsize>): target vibrel_pd_<variant>_<floatsize> (32: float Pd,
# 64: pd64), named by vibrel_pd_external_names and, where there is one, copied to its classic name.
function(vibrel_add_pd_external variant floatsize)
  set(target vibrel_pd_${variant}_${floatsize})
  set(class "${VIBREL_CLASS_${variant}}")
  add_library(${target} MODULE ${PROJECT_SOURCE_DIR}/pd/vibrel_pd.cpp)
  target_include_directories(${target} PRIVATE ${VIBREL_PD_INCLUDE_DIR})
  vibrel_pd_setup_symbol("${class}" setup)
  target_compile_definitions(${target} PRIVATE PD PD_FLOATSIZE=${floatsize} VIBREL_PD_SETUP=${setup})
  target_link_libraries(${target} PRIVATE vibrel_float_host_${variant} vibrel_plugin_flags)
  vibrel_pd_external_names("${class}" ${floatsize} name classic)
  set_target_properties(${target} PROPERTIES PREFIX "" SUFFIX "" OUTPUT_NAME "${name}"
    LIBRARY_OUTPUT_DIRECTORY ${VIBREL_PD_DIR})
  vibrel_bind_pd_external(${target} ${floatsize} ${setup})
  if(classic)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}> ${VIBREL_PD_DIR}/${classic} VERBATIM)
  endif()
endfunction()

if(VIBREL_PD_INCLUDE_DIR)
  vibrel_pd_float_sizes(floatsizes)
  set(externals)
  foreach(variant IN ITEMS full lite)
    foreach(floatsize IN LISTS floatsizes)
      vibrel_add_pd_external(${variant} ${floatsize})
      list(APPEND externals vibrel_pd_${variant}_${floatsize})
    endforeach()
  endforeach()
  # The help patches (pd/help/), with the version: one per class from one template (each naming the
  # other class), one per tuning abstraction; the abstractions beside the externals.
  set(VERSION ${PROJECT_VERSION})
  foreach(variant IN ITEMS full lite)
    set(CLASS "${VIBREL_CLASS_${variant}}")
    set(SIBLING "${VIBREL_CLASS_full}")
    if(variant STREQUAL "full")
      set(SIBLING "${VIBREL_CLASS_lite}")
    endif()
    file(STRINGS ${PROJECT_SOURCE_DIR}/variants/${variant}/variant.h order_line REGEX "define VIBREL_ORDER")
    string(REGEX REPLACE ".* ([0-9]+).*" "\\1" ORDER "${order_line}")
    math(EXPR MIN_PERIOD "(${ORDER} - 1) / 2 + 1")
    configure_file(${PROJECT_SOURCE_DIR}/pd/help/vibrel-help.pd.in ${VIBREL_PD_DIR}/${CLASS}-help.pd @ONLY)
  endforeach()
  foreach(abstraction IN ITEMS vibrel.period vibrel.period~)
    configure_file(${PROJECT_SOURCE_DIR}/pd/help/${abstraction}-help.pd.in ${VIBREL_PD_DIR}/${abstraction}-help.pd
      @ONLY)
  endforeach()
  file(GLOB pd_patches CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/pd/patches/*.pd)
  set(copies)
  foreach(patch IN LISTS pd_patches)
    get_filename_component(name ${patch} NAME)
    add_custom_command(OUTPUT ${VIBREL_PD_DIR}/${name}
      COMMAND ${CMAKE_COMMAND} -E copy ${patch} ${VIBREL_PD_DIR}/${name} DEPENDS ${patch} VERBATIM)
    list(APPEND copies ${VIBREL_PD_DIR}/${name})
  endforeach()
  add_custom_target(vibrel_pd ALL DEPENDS ${copies})
  add_dependencies(vibrel_pd ${externals})
else()
  message(STATUS "Pd's m_pd.h not found (Debian: puredata-dev): the Pd externals are not built")
endif()
