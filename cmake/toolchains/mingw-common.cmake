# The part of the two mingw-w64 toolchains that does not depend on the processor: the including file
# sets CMAKE_SYSTEM_PROCESSOR and VIBREL_MINGW_TRIPLE first. The compiler runtime is linked in statically.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${VIBREL_MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${VIBREL_MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${VIBREL_MINGW_TRIPLE}-windres)
set(VIBREL_DLLTOOL ${VIBREL_MINGW_TRIPLE}-dlltool)
set(VIBREL_OBJDUMP ${VIBREL_MINGW_TRIPLE}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${VIBREL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Nothing beyond what a module asks for: the default list would name user32, gdi32 and others.
set(CMAKE_C_STANDARD_LIBRARIES "" CACHE STRING "")
set(CMAKE_CXX_STANDARD_LIBRARIES "" CACHE STRING "")
# No libgcc_s or libstdc++ DLL next to a plug-in: the compiler runtime goes into each module.
# No link time in the PE header (the loader never reads it): the same sources give the same bytes.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")
