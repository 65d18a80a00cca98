# Linux aarch64 with Debian's cross compiler (package g++-aarch64-linux-gnu); its programs run here under
# qemu-aarch64 (package qemu-user) with the target's libraries from /usr/aarch64-linux-gnu. Builds only
# the plug-ins, the emulator, the script driver and tests/target: arm64 arithmetic checked on this machine.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(VIBREL_AARCH64_TRIPLE aarch64-linux-gnu)
set(VIBREL_AARCH64_SYSROOT /usr/${VIBREL_AARCH64_TRIPLE})

set(CMAKE_C_COMPILER ${VIBREL_AARCH64_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${VIBREL_AARCH64_TRIPLE}-g++)

set(CMAKE_FIND_ROOT_PATH ${VIBREL_AARCH64_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest runs the test programs of this build through it.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/qemu-aarch64 -L ${VIBREL_AARCH64_SYSROOT})
