#pragma once
// Region tests compare pixel masks and report where they differ.

#include "gdi/Region.h"

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace saver::test {

// The pixels of (0..width-1, 0..height-1) the region's rectangles cover.
inline std::vector<uint8_t> RegionMask(const Region& region, int32_t width, int32_t height)
{
    std::vector<uint8_t> mask(static_cast<size_t>(width) * height, 0);
    for (const Rect& r : region.Rects()) {
        const Rect c = r.Intersected({0, 0, width, height});
        for (int32_t y = c.Top; y < c.Bottom; ++y)
            std::fill_n(mask.begin() + static_cast<ptrdiff_t>(y) * width + c.Left, c.Width(), 1);
    }
    return mask;
}

// Empty when the masks agree; otherwise the first differing pixel and a map
// of up to 64 x 32 pixels around it: '#' both, '-' expected only, '+'
// actual only.
inline std::string MaskDifference(const std::vector<uint8_t>& expected, const std::vector<uint8_t>& actual,
                                  int32_t width, int32_t height)
{
    const size_t first = std::mismatch(expected.begin(), expected.end(), actual.begin()).first - expected.begin();
    if (first == expected.size())
        return {};
    const int32_t fx = static_cast<int32_t>(first % width), fy = static_cast<int32_t>(first / width);
    std::ostringstream os;
    os << "first difference at (" << fx << ',' << fy << "), expected " << int{expected[first]} << ":\n";
    const int32_t x0 = std::max(0, std::min(fx - 32, width - 64)), y0 = std::max(0, std::min(fy - 16, height - 32));
    for (int32_t y = y0; y < std::min(height, y0 + 32); ++y, os << '\n')
        for (int32_t x = x0; x < std::min(width, x0 + 64); ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            os << (expected[i] && actual[i] ? '#' : expected[i] ? '-' : actual[i] ? '+' : '.');
        }
    return os.str();
}

} // namespace saver::test
