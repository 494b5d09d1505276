# The production target: 32-bit Windows, built with MinGW-w64 (i686).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(ARX_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
