# Cross-compiling for Windows with Debian's mingw-w64 (posix threads), for the
# target SAVER_MINGW_TRIPLE that the toolchain file including this one sets.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${SAVER_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SAVER_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SAVER_MINGW_TRIPLE}-windres)

# Target libraries come from the mingw sysroot and the prefix scripts/build-windows fills.
set(CMAKE_FIND_ROOT_PATH /usr/${SAVER_MINGW_TRIPLE} ${SAVER_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under Wine (Debian keeps wine64 outside PATH).
find_program(SAVER_WINE NAMES ${SAVER_WINE_NAMES} PATHS /usr/lib/wine)
set(CMAKE_CROSSCOMPILING_EMULATOR ${SAVER_WINE})
