# macOS arm64 slice (Apple Silicon, the host running natively), macOS 11.0 and later.
set(CMAKE_SYSTEM_PROCESSOR arm64)
set(VIBREL_MACOS_ARCH arm64)
set(VIBREL_MACOS_MIN 11.0)
include(${CMAKE_CURRENT_LIST_DIR}/macos-common.cmake)
