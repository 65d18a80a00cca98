# macOS x86_64 slice (Intel Macs, and Rosetta on Apple Silicon), macOS 10.6 and later.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VIBREL_MACOS_ARCH x86_64)
set(VIBREL_MACOS_MIN 10.6)
include(${CMAKE_CURRENT_LIST_DIR}/macos-common.cmake)
