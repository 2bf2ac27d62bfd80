# 32-bit Windows (its programs need a 32-bit Wine to run).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(SAVER_MINGW_TRIPLE i686-w64-mingw32)
set(SAVER_WINE_NAMES wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
