#include "effect-frames/DigitFont.h"

#include "gdi/Canvas.h"

namespace saver {

namespace {

// One row a byte, bit 2 the left column.
constexpr uint8_t kGlyphs[10][kDigitGlyphHeight] = {
    {7, 5, 5, 5, 7}, // 0
    {2, 6, 2, 2, 7}, // 1
    {7, 1, 7, 4, 7}, // 2
    {7, 1, 7, 1, 7}, // 3
    {5, 5, 7, 1, 1}, // 4
    {7, 4, 7, 1, 7}, // 5
    {7, 4, 7, 5, 7}, // 6
    {7, 1, 1, 1, 1}, // 7
    {7, 5, 7, 5, 7}, // 8
    {7, 5, 7, 1, 7}, // 9
};

} // namespace

void DrawDigits(Canvas& canvas, Point at, int32_t scale, std::string_view digits, TColor color)
{
    const CanvasStateSaver saved(canvas);
    canvas.Brush = {color, BrushStyle::bsSolid};
    int32_t left = at.X;
    for (const char c : digits) {
        if (c >= '0' && c <= '9') {
            const uint8_t* rows = kGlyphs[c - '0'];
            for (int32_t row = 0; row < kDigitGlyphHeight; ++row)
                for (int32_t col = 0; col < kDigitGlyphWidth; ++col)
                    if (rows[row] & (4 >> col))
                        canvas.FillRect(Rect::FromSize(left + col * scale, at.Y + row * scale, scale, scale));
        }
        left += (kDigitGlyphWidth + 1) * scale;
    }
}

} // namespace saver
