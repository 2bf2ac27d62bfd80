#pragma once
// Bitmaps for effect tests: an old image of one colour and a new picture
// whose pixels all differ from it, so every written pixel shows.

#include "gdi/Bitmap.h"
#include "transitions/PSEffect.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace saver::test {

// Red 0 marks the old image; every picture pixel has red 0x80 or more,
// which survives the AND of a BLACKONWHITE shrink.
inline constexpr TColor kOldColor = RGB(0x00, 0x5A, 0xA5);
inline bool IsFromPicture(TColor c) { return GetRValue(c) >= 0x80; }

// Pixels differ along both axes, so misplaced or mirrored copies show.
inline std::unique_ptr<Bitmap> MakePicture(int32_t w, int32_t h)
{
    auto b = std::make_unique<Bitmap>(w, h, PixelFormat::pf32bit);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            b->SetPixel(x, y, RGB(uint8_t(0x80 | (x & 0x7F)), uint8_t(y * 3), uint8_t(x / 128 + y / 85 * 2)));
    return b;
}

inline std::unique_ptr<Bitmap> MakeOldImage(int32_t w, int32_t h)
{
    auto b = std::make_unique<Bitmap>(w, h, PixelFormat::pf24bit);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            b->SetPixel(x, y, kOldColor);
    return b;
}

// Pixel rows equal (row padding not compared).
inline bool SamePixels(const Bitmap& a, const Bitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.GetPixelFormat() != b.GetPixelFormat())
        return false;
    const size_t used = size_t(a.Width()) * BitsPerPixel(a.GetPixelFormat()) / 8;
    for (int32_t y = 0; y < a.Height(); ++y)
        if (!std::equal(a.ScanLine(y), a.ScanLine(y) + used, b.ScanLine(y)))
            return false;
    return true;
}

// The built-in styles whose row satisfies `keep`, in increasing order.
template <class Keep>
std::vector<TShowStyle> StylesWhere(Keep keep)
{
    std::vector<TShowStyle> styles;
    for (unsigned style = 1; style <= kLastShowStyle; ++style)
        if (keep(ShowStyles[style - 1]))
            styles.push_back(TShowStyle(style));
    return styles;
}

} // namespace saver::test
