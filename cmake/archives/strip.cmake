# What an archive ships of a binary: its code and the symbols the loader needs, nothing for a debugger.
# vibrel_strip_shipped(<folder> <debug folder>) strips every Linux ELF and Windows PE file under <folder>
# in place, each with the binutils of its own processor (ELF: strip for x86-64, aarch64-linux-gnu-strip,
# arm-linux-gnueabihf-strip; PE: the mingw-w64 strip of its width). Where a file carries debug sections
# they go first to <debug folder>/<file name>.debug, which the stripped file names in its .gnu_debuglink
# (for crash reports: the archives never hold them). macOS files are left as their linker signed them:
# stripping would void the ad-hoc signature, and their builds (Release) make no debug sections.
# Included by cmake/package.cmake and cmake/pd_library.cmake (script mode).

# vibrel_binary_tools(<file> <prefix var>): the binutils prefix of the file's processor ("" for the
# build machine's, x86-64 Linux), or "NONE" when the file is no ELF or PE file.
function(vibrel_binary_tools file out)
  set(prefix NONE)
  set(machine "")
  file(READ "${file}" head LIMIT 64 HEX)
  if(head MATCHES "^7f454c46")
    string(SUBSTRING "${head}" 36 4 machine) # e_machine, little-endian at byte 18
    set(machine "elf-${machine}")
  elseif(head MATCHES "^4d5a")
    string(LENGTH "${head}" length)
    if(length EQUAL 128) # a whole DOS header
      # e_lfanew, the PE header's offset, little-endian at byte 60; the machine follows "PE\0\0".
      string(SUBSTRING "${head}" 120 8 le)
      string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3\\2\\1" be "${le}")
      math(EXPR at "0x${be}")
      file(READ "${file}" pe OFFSET ${at} LIMIT 6 HEX)
      if(pe MATCHES "^50450000(....)$")
        set(machine "pe-${CMAKE_MATCH_1}")
      endif()
    endif()
  endif()
  if(machine STREQUAL "elf-3e00")
    set(prefix "")
  elseif(machine STREQUAL "elf-b700")
    set(prefix aarch64-linux-gnu-)
  elseif(machine STREQUAL "elf-2800")
    set(prefix arm-linux-gnueabihf-)
  elseif(machine STREQUAL "pe-6486")
    set(prefix x86_64-w64-mingw32-)
  elseif(machine STREQUAL "pe-4c01")
    set(prefix i686-w64-mingw32-)
  elseif(machine)
    message(FATAL_ERROR "${file}: a binary for a processor the archives do not ship (${machine})")
  endif()
  set(${out} "${prefix}" PARENT_SCOPE)
endfunction()

function(vibrel_strip_shipped folder debug)
  file(GLOB_RECURSE files LIST_DIRECTORIES false "${folder}/*")
  list(SORT files)
  foreach(f IN LISTS files)
    if(IS_SYMLINK "${f}")
      continue()
    endif()
    vibrel_binary_tools("${f}" prefix)
    if(prefix STREQUAL "NONE")
      continue()
    endif()
    foreach(tool IN ITEMS strip objcopy objdump)
      string(TOUPPER "VIBREL_${prefix}${tool}" var)
      string(MAKE_C_IDENTIFIER "${var}" var)
      find_program(${var} ${prefix}${tool})
      if(NOT ${var})
        message(FATAL_ERROR "${prefix}${tool} not found (the binutils for ${f}): the archives ship stripped binaries")
      endif()
      set(${tool} ${${var}})
    endforeach()
    get_filename_component(name "${f}" NAME)
    execute_process(COMMAND ${objdump} -h "${f}" OUTPUT_VARIABLE sections COMMAND_ERROR_IS_FATAL ANY)
    set(link)
    if(sections MATCHES "[ \t]\\.z?debug_")
      file(MAKE_DIRECTORY "${debug}")
      execute_process(COMMAND ${objcopy} --only-keep-debug "${f}" "${debug}/${name}.debug" COMMAND_ERROR_IS_FATAL ANY)
      set(link "--add-gnu-debuglink=${debug}/${name}.debug")
    endif()
    # A module keeps only what the loader reads (ELF: the dynamic symbols; PE: the export and import
    # tables). --strip-unneeded would leave a PE image's import symbols, named after their libraries' paths.
    execute_process(COMMAND ${strip} --strip-all "${f}" COMMAND_ERROR_IS_FATAL ANY)
    if(link)
      execute_process(COMMAND ${objcopy} ${link} "${f}" COMMAND_ERROR_IS_FATAL ANY)
    endif()
  endforeach()
endfunction()
