# Linux aarch64 with Debian's cross compiler (package g++-aarch64-linux-gnu); its programs run here under
# qemu-aarch64 (package qemu-user). Builds only the plug-ins, the emulator, the script driver and
# tests/target: arm64 arithmetic checked on this machine.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(VIBREL_LINUX_TRIPLE aarch64-linux-gnu)
set(VIBREL_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-common.cmake)
