#pragma once
// Frames of the region styles as masks: which pixels show the new picture.

#include "EffectTestSupport.h"
#include "gdi/Region.h"
#include "transitions/PSEffect.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace saver::test {

struct Mask {
    int32_t Width = 0, Height = 0;
    std::vector<uint8_t> New; // row by row, 1 where the frame shows the picture

    [[nodiscard]] bool At(int32_t x, int32_t y) const { return New[size_t(y) * size_t(Width) + size_t(x)] != 0; }
    [[nodiscard]] size_t Count() const
    {
        size_t n = 0;
        for (const uint8_t v : New)
            n += v;
        return n;
    }
};

// One frame of a style over the one-colour old image.
inline Mask RevealMask(TShowStyle style, int32_t w, int32_t h, uint32_t progress, uint32_t step = 4)
{
    const auto screen = MakeOldImage(w, h);
    FindShowStyle(style)->Proc(*screen, *MakePicture(w, h), {0, 0, w, h}, step, progress);
    Mask mask{w, h, {}};
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            mask.New.push_back(IsFromPicture(screen->GetPixel(x, y)) ? 1 : 0);
    return mask;
}

// Every pixel against `expected`, reporting the first few that differ.
inline void ExpectMask(const Mask& mask, const std::function<bool(int32_t, int32_t)>& expected)
{
    int failures = 0;
    for (int32_t y = 0; y < mask.Height; ++y)
        for (int32_t x = 0; x < mask.Width; ++x)
            if (mask.At(x, y) != expected(x, y) && failures++ < 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") shows the "
                              << (mask.At(x, y) ? "new picture" : "old image");
    EXPECT_EQ(failures, 0) << "pixels that differ";
}

// For curved outlines: a pixel must show the side of `inside` (taken at
// pixel centres) where every point within `margin` pixels agrees; pixels
// nearer the outline may go either way.
inline void ExpectShape(const Mask& mask, const std::function<bool(double, double)>& inside, double margin = 2)
{
    int failures = 0;
    for (int32_t y = 0; y < mask.Height; ++y)
        for (int32_t x = 0; x < mask.Width; ++x) {
            const double cx = x + 0.5, cy = y + 0.5;
            const bool centre = inside(cx, cy);
            bool clear = true;
            for (const double dx : {-margin, 0.0, margin})
                for (const double dy : {-margin, 0.0, margin})
                    clear = clear && inside(cx + dx, cy + dy) == centre;
            if (clear && mask.At(x, y) != centre && failures++ < 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") should show the "
                              << (centre ? "new picture" : "old image");
        }
    EXPECT_EQ(failures, 0) << "pixels clear of the outline that differ";
}

// The region with x and y exchanged.
inline Region Transposed(const Region& region)
{
    Region result;
    for (const Rect& r : region.Rects())
        result.Combine(result, Region::CreateRectRgn(r.Top, r.Left, r.Bottom, r.Right), CombineMode::Or);
    return result;
}

} // namespace saver::test
