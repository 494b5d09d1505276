# The same sources as 64-bit Windows programs, built with MinGW-w64 (x86-64) so that the
# Windows platform layer and the tests run here under Wine (this machine runs no 32-bit
# Windows code).
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(ARX_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../../scripts/run-under-wine)
