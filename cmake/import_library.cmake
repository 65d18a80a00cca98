# vibrel_import_library(<target> <dll name> <list file>): <target>, an imported library to link against
# (target_link_libraries(<module> PRIVATE <target>)), the MinGW import library of <dll name> for the names
# in <list file>: one per line, a function, or a variable followed by DATA; blank lines and lines starting
# with '#' skipped. Made at build time, nothing of the DLL needed: CMake writes the module-definition file
# from the list (this file, run as a script) and dlltool makes the library from it; both again whenever
# the list changes. Windows (mingw-w64) builds only.
#   cmake -DLIST=<list file> -DDLL=<dll name> -DDEF=<.def to write> -P cmake/import_library.cmake
function(vibrel_import_library target dll list)
  if(NOT VIBREL_DLLTOOL)
    message(FATAL_ERROR "vibrel_import_library(${target}): no dlltool (a mingw-w64 toolchain file sets VIBREL_DLLTOOL)")
  endif()
  get_filename_component(list "${list}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/import/${target})
  set(def ${dir}/${target}.def)
  set(lib ${dir}/lib${target}.a)
  file(MAKE_DIRECTORY ${dir})
  # dlltool builds the library's symbol names from the path it is given: run in the library's folder,
  # they hold nothing of the build folder.
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CMAKE_COMMAND} -DLIST=${list} -DDLL=${dll} -DDEF=${def} -P ${VIBREL_IMPORT_LIBRARY_SCRIPT}
    COMMAND ${VIBREL_DLLTOOL} -d ${def} -D ${dll} -l lib${target}.a
    WORKING_DIRECTORY ${dir}
    DEPENDS ${list} ${VIBREL_IMPORT_LIBRARY_SCRIPT}
    COMMENT "Import library of ${dll} from ${list}"
    VERBATIM)
  add_custom_target(${target}_library DEPENDS ${lib})
  add_library(${target} STATIC IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES IMPORTED_LOCATION ${lib})
  add_dependencies(${target} ${target}_library) # followed by every target that links ${target}
endfunction()
set(VIBREL_IMPORT_LIBRARY_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

if(CMAKE_SCRIPT_MODE_FILE AND DEFINED DEF)
  file(STRINGS "${LIST}" lines)
  set(exports "")
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line STREQUAL "" OR line MATCHES "^#")
      continue()
    endif()
    if(NOT line MATCHES "^[A-Za-z_][A-Za-z0-9_]*( +DATA)?$")
      message(FATAL_ERROR "${LIST}: \"${line}\" is not a C name (optionally followed by DATA)")
    endif()
    string(APPEND exports "  ${line}\n")
  endforeach()
  if(exports STREQUAL "")
    message(FATAL_ERROR "${LIST}: no names")
  endif()
  file(WRITE "${DEF}" "; Written by the build from ${LIST}.\nLIBRARY ${DLL}\nEXPORTS\n${exports}")
endif()
