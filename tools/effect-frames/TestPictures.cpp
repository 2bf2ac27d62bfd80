#include "effect-frames/TestPictures.h"

#include "effect-frames/DigitFont.h"
#include "gdi/Bitmap.h"
#include "gdi/Canvas.h"

#include <algorithm>
#include <cmath>

namespace saver {

namespace {

// Fills a 24-bit picture from a colour function of (x, y).
template <typename ColorAt>
std::unique_ptr<Bitmap> Paint(int32_t width, int32_t height, ColorAt colorAt)
{
    auto picture = std::make_unique<Bitmap>(width, height, PixelFormat::pf24bit);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = picture->ScanLine(y);
        for (int32_t x = 0; x < width; ++x) {
            const TColor c = colorAt(x, y);
            row[x * 3] = GetBValue(c);
            row[x * 3 + 1] = GetGValue(c);
            row[x * 3 + 2] = GetRValue(c);
        }
    }
    return picture;
}

// `value` of `range` scaled to 0..span.
uint8_t Ramp(int32_t value, int32_t range, int32_t span) { return uint8_t(int64_t(value) * span / range); }

// Digit marks in the four corners, each on a box of `box` colour.
void MarkCorners(Bitmap& picture, const char* digits, TColor box, TColor ink)
{
    const int32_t w = picture.Width(), h = picture.Height();
    const int32_t scale = std::max(1, std::min(w, h) / 80);
    const int32_t boxW = DigitsWidth(1, scale) + 2 * scale, boxH = kDigitGlyphHeight * scale + 2 * scale;
    const int32_t margin = 2 * scale;
    const int32_t right = w - margin - boxW, bottom = h - margin - boxH;
    const Point corners[4] = {{margin, margin}, {right, margin}, {margin, bottom}, {right, bottom}};
    Canvas& canvas = picture.GetCanvas();
    const CanvasStateSaver saved(canvas);
    canvas.Brush = {box, BrushStyle::bsSolid};
    for (int i = 0; i < 4; ++i) {
        canvas.FillRect(Rect::FromSize(corners[i].X, corners[i].Y, boxW, boxH));
        DrawDigits(canvas, corners[i].Translated(scale, scale), scale, std::string_view(digits + i, 1), ink);
    }
}

} // namespace

std::unique_ptr<Bitmap> MakeOldTestPicture(int32_t width, int32_t height)
{
    const int32_t cx = width / 2, cy = height / 2;
    const int32_t arm = std::max(2, std::min(width, height) / 12), thick = std::max(1, arm / 8);
    auto picture = Paint(width, height, [&](int32_t x, int32_t y) {
        const int32_t dx = std::abs(x - cx), dy = std::abs(y - cy);
        if ((dx < thick && dy < arm) || (dy < thick && dx < arm))
            return RGB(0x7F, 0x00, 0xFF);
        if (x % 64 == 0 || y % 64 == 0)
            return RGB(0x70, 0xFF, 0xFF);
        uint8_t r = uint8_t(0x10 + Ramp(x, width, 0x60));
        uint8_t g = uint8_t(0x40 + Ramp(y, height, 0xA0));
        uint8_t b = uint8_t(0xFF - Ramp(x, width, 0x80));
        if (x % 8 == 0 || y % 8 == 0) {
            g = uint8_t(g - 0x30);
            b = uint8_t(b - 0x30);
        }
        return RGB(r, g, b);
    });
    MarkCorners(*picture, "1234", RGB(0x00, 0x00, 0x00), RGB(0x7F, 0xFF, 0x7F));
    return picture;
}

std::unique_ptr<Bitmap> MakeNewTestPicture(int32_t width, int32_t height)
{
    const double cx = (width - 1) / 2.0, cy = (height - 1) / 2.0;
    auto picture = Paint(width, height, [&](int32_t x, int32_t y) {
        const double d = std::hypot(x - cx, y - cy);
        if (int32_t(d) % 40 < 4)
            return RGB(0xFF, 0xF0, 0xB0);
        if ((x + y) / 16 % 2 == 0)
            return RGB(0xFF, uint8_t(0x90 + Ramp(y, height, 0x40)), 0x20);
        return RGB(0xB0, 0x20, uint8_t(0x40 + Ramp(x, width, 0x60)));
    });
    MarkCorners(*picture, "5678", RGB(0x80, 0x00, 0x00), RGB(0xFF, 0xFF, 0xFF));
    return picture;
}

std::unique_ptr<Bitmap> MakeSolidPicture(int32_t width, int32_t height, TColor color)
{
    return Paint(width, height, [color](int32_t, int32_t) { return color; });
}

} // namespace saver
