# Windows x86-64 with mingw-w64 (Debian package g++-mingw-w64-x86-64): the plug-ins
# (and, with VIBREL_WINDOWS_TEST_HOST, the test host).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VIBREL_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
