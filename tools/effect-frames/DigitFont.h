#pragma once
// A tiny built-in font for decimal digits: 3 x 5 cells, scaled to squares
// of `scale` pixels, one empty column between glyphs. Used for the labels of
// the contact sheet and the corner marks of the built-in test pictures.

#include "core/Color.h"
#include "core/Geometry.h"

#include <cstdint>
#include <string_view>

namespace saver {

class Canvas;

inline constexpr int32_t kDigitGlyphWidth = 3;
inline constexpr int32_t kDigitGlyphHeight = 5;

// Width in pixels of `count` digits at `scale`.
[[nodiscard]] constexpr int32_t DigitsWidth(size_t count, int32_t scale)
{
    return count == 0 ? 0 : int32_t(count) * (kDigitGlyphWidth + 1) * scale - scale;
}

// Draws the digits with their top-left at `at`; other characters leave a gap.
// The canvas's brush is restored afterwards.
void DrawDigits(Canvas& canvas, Point at, int32_t scale, std::string_view digits, TColor color);

} // namespace saver
