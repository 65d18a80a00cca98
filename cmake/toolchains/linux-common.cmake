# The part of the Linux cross toolchains that does not depend on the processor: the including file sets
# CMAKE_SYSTEM_PROCESSOR, VIBREL_LINUX_TRIPLE (the prefix of Debian's cross compiler) and VIBREL_QEMU (the
# qemu-user program that runs the target's code here) first. The target's libraries are Debian's, in
# /usr/<triple>.
set(CMAKE_SYSTEM_NAME Linux)
set(VIBREL_LINUX_SYSROOT /usr/${VIBREL_LINUX_TRIPLE})

set(CMAKE_C_COMPILER ${VIBREL_LINUX_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${VIBREL_LINUX_TRIPLE}-g++)

set(CMAKE_FIND_ROOT_PATH ${VIBREL_LINUX_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest runs the test programs of the build through it.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/${VIBREL_QEMU} -L ${VIBREL_LINUX_SYSROOT})
