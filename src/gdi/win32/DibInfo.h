#pragma once
// Windows only: the header of a top-down 32-bit DIB, row 0 at the top, as
// the GDI text renderer and the GDI cross-check draw into.

#include <windows.h>

#include <cstdint>

namespace saver {

inline BITMAPINFO TopDown32BitDibInfo(int32_t width, int32_t height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

} // namespace saver
