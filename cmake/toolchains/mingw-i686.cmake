# Windows x86 with mingw-w64 (Debian package g++-mingw-w64-i686), SSE2 doubles (cmake/exact_math.cmake):
# the plug-ins (and, with VIBREL_WINDOWS_TEST_HOST, the test host).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VIBREL_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
