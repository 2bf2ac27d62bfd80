// Text through GDI on the faces Wine provides: Tahoma ships with it (once its
// fonts are in the prefix), Arial is mapped to a face with Arial's metrics.
// Drawing in colour, in grey and in bands is checked against drawing it
// another way, so the cases hold for whatever face Wine picks.
#include "gdi/Bitmap.h"
#include "gdi/Canvas.h"
#include "gdi/GlyphRenderer.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

using namespace saver;

namespace {

constexpr TColor kBackground = 0x1E140A;
constexpr TColor kInk = 0x5A28C8;

CanvasFont MakeFont(const char* name, int32_t height, uint32_t style = fsNone)
{
    return {.Name = name, .Height = height, .Color = kInk, .Style = style};
}

TextSize Measure(const CanvasFont& font, std::string_view text)
{
    return PlatformGlyphRenderer().MeasureText(font, text);
}

// The pixels the text inks on a target of the background colour; each must
// hold the font colour as the format stores it.
std::vector<Point> Ink(PixelFormat format, const CanvasFont& font, std::string_view text, Point origin,
                       std::vector<Rect> clip = {}, Size size = {160, 80})
{
    Bitmap target(size.Width, size.Height, format), probe(1, 1, format);
    for (int32_t y = 0; y < size.Height; ++y)
        for (int32_t x = 0; x < size.Width; ++x)
            target.SetPixel(x, y, kBackground);
    probe.SetPixel(0, 0, font.Color);
    if (clip.empty())
        clip.push_back({0, 0, size.Width, size.Height});
    PlatformGlyphRenderer().DrawText(target, origin, font, text, clip);
    std::vector<Point> ink;
    for (int32_t y = 0; y < size.Height; ++y)
        for (int32_t x = 0; x < size.Width; ++x)
            if (const TColor c = target.GetPixel(x, y); c != target.GetPixel(size.Width - 1, size.Height - 1)) {
                EXPECT_EQ(c, probe.GetPixel(0, 0)) << x << "," << y;
                ink.push_back({x, y});
            }
    return ink;
}

std::vector<Point> Inside(std::vector<Point> points, const Rect& a, const Rect& b = {})
{
    std::erase_if(points, [&](Point p) { return !a.Contains(p) && !b.Contains(p); });
    return points;
}

} // namespace

class GdiFace : public testing::TestWithParam<const char*> {};

TEST_P(GdiFace, MeasuresLikeTheFontMapper)
{
    // Ascent and descent are rounded apart, so a cell may be one pixel off the
    // request (Liberation Sans for Arial at 8 and 13 under Wine).
    for (int32_t cell : {8, 13, 37, 120}) {
        const TextSize size = Measure(MakeFont(GetParam(), cell), "Hello");
        EXPECT_NEAR(size.Height, cell, 1);
        EXPECT_EQ(Measure(MakeFont(GetParam(), cell), ""), (TextSize{0, size.Height}));
    }
    for (int32_t em : {11, 20, 48}) {
        const TextSize size = Measure(MakeFont(GetParam(), -em), "Ag");
        EXPECT_GT(size.Height, em);
        EXPECT_LT(size.Height, em * 2);
    }
    const CanvasFont font = MakeFont(GetParam(), -20);
    EXPECT_GT(Measure(font, "WWWW").Width, Measure(font, "iiii").Width);
    // UTF-8 text: an accented letter is one glyph, as wide as its base
    // letter in these faces.
    EXPECT_EQ(Measure(font, "\xC3\xA9\xC3\xA9\xC3\xA9").Width, Measure(font, "eee").Width);
    EXPECT_EQ(Measure(font, "AVTo").Width, Measure(font, "AV").Width + Measure(font, "To").Width);
}

INSTANTIATE_TEST_SUITE_P(Wine, GdiFace, testing::Values("Arial", "Tahoma"));

TEST(GdiGlyphRenderer, GlyphsLandInTheirCellAndOnlyInsideTheClip)
{
    const CanvasFont font = MakeFont("Arial", -24);
    const TextSize size = Measure(font, "Wg|");
    const std::vector<Point> whole = Ink(PixelFormat::pf24bit, font, "Wg|", {10, 8});
    ASSERT_GT(whole.size(), 40u);
    EXPECT_EQ(Inside(whole, Rect::FromSize(10, 8, size.Width, size.Height)), whole);

    const Rect first{14, 12, 30, 24}, second{30, 20, 60, 40};
    EXPECT_FALSE(Inside(whole, first, second).empty());
    EXPECT_EQ(Ink(PixelFormat::pf24bit, font, "Wg|", {10, 8}, {first, second}), Inside(whole, first, second));

    // A clip reaching past the target, text half outside it or far away, odd
    // fonts.
    EXPECT_FALSE(Ink(PixelFormat::pf32bit, font, "Wg", {-12, -10}, {{-50, -50, 500, 500}}).empty());
    for (Point far : {Point{-100000, 5}, Point{5, INT32_MAX - 10}, Point{INT32_MAX - 10, INT32_MIN}})
        EXPECT_TRUE(Ink(PixelFormat::pf32bit, font, "Wg", far, {{-50, -50, 500, 500}}).empty());
    for (const CanvasFont& odd : {MakeFont("No Such Face", 0), MakeFont("", INT32_MIN),
                                  MakeFont("A face name far longer than GDI keeps", INT32_MAX)}) {
        EXPECT_GT(Measure(odd, "x").Height, 0);
        Ink(PixelFormat::pf24bit, odd, std::string_view("a\0b\xFF", 4), {0, 0});
    }
}

TEST(GdiGlyphRenderer, StyleReachesTheFontAndEightBitGetsGrey)
{
    // Wine's Tahoma Bold draws the regular glyphs wider apart: Arial has a real bold.
    const CanvasFont plain = MakeFont("Arial", -22);
    const std::vector<Point> ink = Ink(PixelFormat::pf24bit, plain, "Style", {4, 4});
    EXPECT_EQ(Ink(PixelFormat::pf8bit, plain, "Style", {4, 4}), ink);
    for (uint32_t style : {fsBold, fsUnderline, fsStrikeOut})
        EXPECT_GT(Ink(PixelFormat::pf24bit, MakeFont("Arial", -22, style), "Style", {4, 4}).size(), ink.size());
    EXPECT_NE(Ink(PixelFormat::pf24bit, MakeFont("Arial", -22, fsItalic), "Style", {4, 4}), ink);
}

TEST(GdiGlyphRenderer, TallTextDrawnInBandsMatchesOneBand)
{
    // The full width needs several scratch bands; a narrow clip needs one.
    const CanvasFont font = MakeFont("Arial", -700);
    const std::vector<Point> banded = Ink(PixelFormat::pf8bit, font, "IlIlIl", {0, -20}, {}, {1800, 800});
    const Rect strip{0, 0, 400, 800};
    ASSERT_FALSE(Inside(banded, strip).empty());
    EXPECT_EQ(Ink(PixelFormat::pf8bit, font, "IlIlIl", {0, -20}, {strip}, {1800, 800}), Inside(banded, strip));
}
