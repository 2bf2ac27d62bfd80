# 64-bit Windows.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(SAVER_MINGW_TRIPLE x86_64-w64-mingw32)
set(SAVER_WINE_NAMES wine64 wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
