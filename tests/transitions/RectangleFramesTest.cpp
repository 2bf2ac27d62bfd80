// The worked examples on real 800 x 600 frames: every pixel of the new
// picture carries its own coordinates, so a frame pixel tells where in the
// picture it came from, and each style's geometry is checked against
// arithmetic written out here independently of the copy tables.

#include "gdi/Bitmap.h"
#include "gdi/Canvas.h"
#include "transitions/PSEffect.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>

using namespace saver;

namespace {

constexpr int32_t W = 800, H = 600;
constexpr TColor kOld = RGB(1, 2, 3);

TColor Encode(int32_t x, int32_t y) { return RGB(uint8_t(x), uint8_t(y), uint8_t((x >> 8) | ((y >> 8) << 4) | 0x80)); }

// Picture coordinates of a frame pixel, or none for the old image.
std::optional<Point> Decode(TColor c)
{
    if (c == kOld)
        return std::nullopt;
    const uint8_t high = GetBValue(c);
    return Point{GetRValue(c) | ((high & 0x0F) << 8), GetGValue(c) | (((high >> 4) & 0x07) << 8)};
}

struct Frame {
    std::unique_ptr<Bitmap> Screen;
    std::unique_ptr<Bitmap> Picture;
};

// One frame of a style at progress 50, Step 4, with single-pixel picks
// (COLORONCOLOR), so that decoded coordinates are exact picture pixels.
Frame Draw(TShowStyle style, uint32_t step = 4, uint32_t progress = 50)
{
    Frame f{std::make_unique<Bitmap>(W, H, PixelFormat::pfDevice), std::make_unique<Bitmap>(W, H, PixelFormat::pf24bit)};
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x)
            f.Picture->SetPixel(x, y, Encode(x, y));
    f.Screen->GetCanvas().Brush.Color = kOld;
    f.Screen->GetCanvas().FillRect({0, 0, W, H});
    f.Screen->GetCanvas().SetStretchBltMode(StretchMode::COLORONCOLOR);
    FindShowStyle(style)->Proc(*f.Screen, *f.Picture, Rect{0, 0, W, H}, step, progress);
    return f;
}

// Checks every 7th pixel: `expected` gives the picture point a frame pixel
// must come from (within one pixel, for stretches), or none for old image.
void ExpectMapping(const Frame& f, const std::function<std::optional<Point>(int32_t, int32_t)>& expected)
{
    int failures = 0;
    for (int32_t y = 0; y < H; y += 7)
        for (int32_t x = 0; x < W; x += 7) {
            const std::optional<Point> want = expected(x, y);
            const std::optional<Point> got = Decode(f.Screen->GetPixel(x, y));
            const bool ok = want.has_value() == got.has_value() &&
                            (!want || (std::abs(want->X - got->X) <= 1 && std::abs(want->Y - got->Y) <= 1));
            if (!ok && failures++ < 5)
                ADD_FAILURE() << "frame (" << x << "," << y << "): expected "
                              << (want ? testing::PrintToString(*want) : "old image") << ", got "
                              << (got ? testing::PrintToString(*got) : "old image");
        }
}

} // namespace

TEST(RectangleFrames, ExpandFromRightSqueezesTheWholePictureIntoTheRightHalf)
{
    ExpectMapping(Draw(1), [](int32_t x, int32_t y) -> std::optional<Point> {
        if (x < 400)
            return std::nullopt;
        return Point{(x - 400) * 2 + 1, y};
    });
}

TEST(RectangleFrames, SlideInFromRightMovesThePictureUnscaled)
{
    ExpectMapping(Draw(3), [](int32_t x, int32_t y) -> std::optional<Point> {
        if (x < 400)
            return std::nullopt;
        return Point{x - 400, y};
    });
}

TEST(RectangleFrames, RevealFromLeftUncoversInPlace)
{
    ExpectMapping(Draw(5), [](int32_t x, int32_t y) -> std::optional<Point> {
        if (x >= 400)
            return std::nullopt;
        return Point{x, y};
    });
}

TEST(RectangleFrames, AppearAndContractMagnifiesTheCentreFourTimes)
{
    ExpectMapping(Draw(51), [](int32_t x, int32_t y) -> std::optional<Point> {
        return Point{200 + (x + 400) / 4, 150 + (y + 300) / 4};
    });
}

TEST(RectangleFrames, UnrollFromLeftMirrorsTheStripBeyondTheRoll)
{
    // Unrolled part in place; the roll (400..480, reaching two pixels
    // further as the flip does) shows (480..560) mirrored.
    ExpectMapping(Draw(14), [](int32_t x, int32_t y) -> std::optional<Point> {
        if (x < 400)
            return Point{x, y};
        if (x < 482)
            return Point{559 - (x - 400) + 1, y};
        return std::nullopt;
    });
}

TEST(RectangleFrames, BuildUpSmearsAStripOfWidthWdivK)
{
    // Step 4: K = 36, the strip 400..422 stretched over 400..800.
    ExpectMapping(Draw(16), [](int32_t x, int32_t y) -> std::optional<Point> {
        if (x < 400)
            return Point{x, y};
        return Point{400 + (x - 400) * 22 / 400, y};
    });
    // Step 1: K = 9, a strip of 88 pixels.
    ExpectMapping(Draw(16, 1), [](int32_t x, int32_t y) -> std::optional<Point> {
        if (x < 400)
            return Point{x, y};
        return Point{400 + (x - 400) * 88 / 400, y};
    });
}

TEST(RectangleFrames, QuartersPiecesKeepTheirOffByOnes)
{
    // Style 55 at 50: pieces reach PW div 2 + 1 = 201 from each side, so
    // column 200 and column 599 are new, 201 and 598 old (mid row band).
    const Frame f = Draw(55);
    EXPECT_EQ(Decode(f.Screen->GetPixel(200, 10)), (Point{200, 10}));
    EXPECT_EQ(Decode(f.Screen->GetPixel(201, 10)), std::nullopt);
    EXPECT_EQ(Decode(f.Screen->GetPixel(599, 10)), (Point{599, 10}));
    EXPECT_EQ(Decode(f.Screen->GetPixel(598, 10)), std::nullopt);
    // Style 54 reaches exactly PW div 2 = 200: column 199 new, 200 old.
    const Frame g = Draw(54);
    EXPECT_EQ(Decode(g.Screen->GetPixel(199, 300)), (Point{199, 300}));
    EXPECT_EQ(Decode(g.Screen->GetPixel(200, 300)), std::nullopt);
}
