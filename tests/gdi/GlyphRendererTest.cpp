// Text output on the installed fonts (scripts/deps installs DejaVu,
// WenQuanYi Zen Hei and AR PL UKai).
#include "gdi/Bitmap.h"
#include "gdi/Canvas.h"
#include "gdi/text/FreeTypeGlyphRenderer.h"
#include "gdi/text/Utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace saver;

namespace {

constexpr TColor kBackground = RGB(10, 20, 30);
constexpr TColor kInk = RGB(200, 40, 90);

CanvasFont MakeFont(const std::string& name, int32_t height, uint32_t style = fsNone)
{
    CanvasFont font;
    font.Name = name;
    font.Height = height;
    font.Color = kInk;
    font.Style = style;
    return font;
}

TextSize Measure(const CanvasFont& font, std::string_view text)
{
    return PlatformGlyphRenderer().MeasureText(font, text);
}

// A bitmap in the background colour with the text drawn at `origin`.
struct Drawing {
    Bitmap Target;
    Drawing(PixelFormat format, const CanvasFont& font, std::string_view text, Point origin = {4, 4},
            std::vector<Rect> clip = {}, int32_t width = 160, int32_t height = 80)
        : Target(width, height, format)
    {
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                Target.SetPixel(x, y, kBackground);
        m_background = Target.GetPixel(0, 0);
        if (clip.empty())
            clip.push_back({0, 0, width, height});
        PlatformGlyphRenderer().DrawText(Target, origin, font, text, clip);
    }
    [[nodiscard]] bool IsInk(int32_t x, int32_t y) const { return Target.GetPixel(x, y) != m_background; }
    [[nodiscard]] std::vector<Point> Inked() const
    {
        std::vector<Point> points;
        for (int32_t y = 0; y < Target.Height(); ++y)
            for (int32_t x = 0; x < Target.Width(); ++x)
                if (IsInk(x, y))
                    points.push_back({x, y});
        return points;
    }

private:
    TColor m_background = 0;
};

size_t InkCount(const Drawing& drawing) { return drawing.Inked().size(); }

} // namespace

struct FaceHeight {
    const char* Face;
    int32_t Height;
};

class PositiveHeight : public testing::TestWithParam<FaceHeight> {};

TEST_P(PositiveHeight, IsExactlyTheCellHeight)
{
    const CanvasFont font = MakeFont(GetParam().Face, GetParam().Height);
    EXPECT_EQ(Measure(font, "Hello").Height, GetParam().Height);
    EXPECT_EQ(Measure(font, "").Height, GetParam().Height);
    const FontCellMetrics m = FontMetrics(font);
    EXPECT_EQ(m.Ascent + m.Descent, GetParam().Height);
}

INSTANTIATE_TEST_SUITE_P(Faces, PositiveHeight,
                         testing::Values(FaceHeight{"Arial", 8}, FaceHeight{"Arial", 13}, FaceHeight{"Arial", 37},
                                         FaceHeight{"Times New Roman", 24}, FaceHeight{"Courier New", 15},
                                         FaceHeight{"黑体", 16}, FaceHeight{"KaiTi", 45}, FaceHeight{"隶书", 9}));

class NegativeHeight : public testing::TestWithParam<const char*> {};

TEST_P(NegativeHeight, IsTheEmSoTheCellIsTaller)
{
    for (int32_t em : {6, 11, 20, 48}) {
        const CanvasFont font = MakeFont(GetParam(), -em);
        const TextSize size = Measure(font, "Ag");
        EXPECT_GT(size.Height, em) << "em " << em;
        EXPECT_LT(size.Height, em * 2) << "em " << em;
        EXPECT_EQ(Measure(font, "").Height, size.Height);
    }
}

INSTANTIATE_TEST_SUITE_P(Faces, NegativeHeight, testing::Values("Arial", "Times New Roman", "Tahoma", "黑体"));

TEST(GlyphRenderer, WidthIsTheSumOfAdvances)
{
    const CanvasFont font = MakeFont("Arial", -20);
    EXPECT_GT(Measure(font, "WWWW").Width, Measure(font, "iiii").Width);
    EXPECT_EQ(Measure(font, "").Width, 0);
    for (auto [a, b] : {std::pair{"a", "b"}, {"AV", "To"}, {"Wa", "ve"}, {"汉", "字"}, {"x", ""}})
        EXPECT_EQ(Measure(font, std::string(a) + b).Width, Measure(font, a).Width + Measure(font, b).Width)
            << a << b;
}

TEST(GlyphRenderer, BoldIsAtLeastAsWideAndHeavier)
{
    // DejaVu has a real bold; WenQuanYi Zen Hei has none and is emboldened.
    for (const char* face : {"Arial", "黑体"}) {
        const std::string text = face == std::string("Arial") ? "Bold text" : "粗体字";
        const CanvasFont regular = MakeFont(face, -18);
        const CanvasFont bold = MakeFont(face, -18, fsBold);
        EXPECT_GE(Measure(bold, text).Width, Measure(regular, text).Width) << face;
        EXPECT_GT(InkCount(Drawing(PixelFormat::pf24bit, bold, text)),
                  InkCount(Drawing(PixelFormat::pf24bit, regular, text)))
            << face;
    }
}

TEST(GlyphRenderer, SynthesisedItalicSlantsTheGlyphs)
{
    // A vertical stroke leans right: its top row starts further right than its bottom row.
    const auto columnSpan = [](const Drawing& d, bool topRow) {
        std::vector<Point> ink = d.Inked();
        const int32_t row = topRow ? ink.front().Y : ink.back().Y;
        int32_t left = d.Target.Width();
        for (Point p : ink)
            if (p.Y == row)
                left = std::min(left, p.X);
        return left;
    };
    const Drawing upright(PixelFormat::pf24bit, MakeFont("黑体", -40), "|");
    const Drawing slanted(PixelFormat::pf24bit, MakeFont("黑体", -40, fsItalic), "|");
    EXPECT_EQ(columnSpan(upright, true), columnSpan(upright, false));
    EXPECT_GT(columnSpan(slanted, true), columnSpan(slanted, false) + 2);
}

TEST(GlyphRenderer, PixelsStayInsideTheClipAndTheTarget)
{
    const CanvasFont font = MakeFont("Arial", -30, fsUnderline | fsStrikeOut);
    const Rect clip{20, 10, 50, 25};
    const Drawing clipped(PixelFormat::pf24bit, font, "WWWWW", {4, 4}, {clip});
    const std::vector<Point> ink = clipped.Inked();
    EXPECT_FALSE(ink.empty());
    for (Point p : ink)
        EXPECT_TRUE(clip.Contains(p)) << p.X << "," << p.Y;

    // Half outside the target, far outside it, and a clip reaching beyond it.
    for (Point origin : {Point{-30, -20}, Point{140, 70}})
        EXPECT_FALSE(Drawing(PixelFormat::pf32bit, font, "Wg", origin, {{-50, -50, 500, 500}}).Inked().empty());
    for (Point origin : {Point{-100000, 5}, Point{5, INT32_MAX - 10}, Point{INT32_MAX - 10, INT32_MIN}})
        EXPECT_TRUE(Drawing(PixelFormat::pf32bit, font, "Wg", origin, {{-50, -50, 500, 500}}).Inked().empty());
}

TEST(GlyphRenderer, CanvasTextStaysInItsCell)
{
    Bitmap target(200, 60, PixelFormat::pf24bit);
    Canvas& canvas = target.GetCanvas();
    canvas.Brush = {kBackground, BrushStyle::bsSolid};
    canvas.FillRect({0, 0, 200, 60});
    canvas.Font = MakeFont("Times New Roman", -22, fsItalic | fsBold | fsUnderline);
    canvas.Brush.Style = BrushStyle::bsClear;
    canvas.TextOut(30, 12, "fjord Wolf");
    const Rect cell = Rect::FromSize(30, 12, canvas.TextWidth("fjord Wolf"), canvas.TextHeight("fjord Wolf"));
    size_t inked = 0;
    for (int32_t y = 0; y < 60; ++y)
        for (int32_t x = 0; x < 200; ++x)
            if (target.GetPixel(x, y) != kBackground) {
                ++inked;
                EXPECT_TRUE(cell.Contains({x, y})) << x << "," << y;
            }
    EXPECT_GT(inked, 0u);
}

TEST(GlyphRenderer, InkIsTheExactColourOrItsGreyLevel)
{
    const CanvasFont font = MakeFont("Arial", -24);
    const Drawing colour(PixelFormat::pf24bit, font, "Ink");
    ASSERT_FALSE(colour.Inked().empty());
    for (Point p : colour.Inked())
        EXPECT_EQ(colour.Target.GetPixel(p.X, p.Y), kInk);

    Bitmap grey(1, 1, PixelFormat::pf8bit);
    grey.SetPixel(0, 0, kInk);
    const Drawing eight(PixelFormat::pf8bit, font, "Ink");
    EXPECT_EQ(eight.Inked().size(), colour.Inked().size());
    for (Point p : eight.Inked())
        EXPECT_EQ(eight.Target.GetPixel(p.X, p.Y), grey.GetPixel(0, 0));

    // A 32-bit pixel keeps its fourth byte.
    Bitmap wide(40, 30, PixelFormat::pf32bit);
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 40; ++x)
            wide.ScanLine(y)[x * 4 + 3] = 0x5A;
    const Rect all{0, 0, 40, 30};
    PlatformGlyphRenderer().DrawText(wide, {2, 2}, font, "Ink", {&all, 1});
    size_t drawn = 0;
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 40; ++x) {
            EXPECT_EQ(wide.ScanLine(y)[x * 4 + 3], 0x5A);
            drawn += wide.GetPixel(x, y) == kInk;
        }
    EXPECT_GT(drawn, 0u);
}

TEST(GlyphRenderer, SystemColoursResolve)
{
    CanvasFont font = MakeFont("Arial", -24);
    font.Color = clWindowText;
    const Drawing drawing(PixelFormat::pf24bit, font, "T");
    ASSERT_FALSE(drawing.Inked().empty());
    for (Point p : drawing.Inked())
        EXPECT_EQ(drawing.Target.GetPixel(p.X, p.Y), ColorToRGB(clWindowText));
}

struct FaceFamily {
    const char* Face;
    const char* Family;
};

class WindowsFace : public testing::TestWithParam<FaceFamily> {};

TEST_P(WindowsFace, ResolvesToItsAlias) { EXPECT_EQ(ResolvedFontFamily(GetParam().Face), GetParam().Family); }

INSTANTIATE_TEST_SUITE_P(
    Aliases, WindowsFace,
    testing::Values(FaceFamily{"黑体", "WenQuanYi Zen Hei"}, FaceFamily{"SimHei", "WenQuanYi Zen Hei"},
                    FaceFamily{"楷体_GB2312", "AR PL UKai CN"}, FaceFamily{"KaiTi", "AR PL UKai CN"},
                    FaceFamily{"隶书", "AR PL UKai CN"}, FaceFamily{"Arial", "DejaVu Sans"},
                    FaceFamily{"MS Sans Serif", "DejaVu Sans"}, FaceFamily{"Tahoma", "DejaVu Sans"},
                    FaceFamily{"Times New Roman", "DejaVu Serif"}, FaceFamily{"Courier New", "DejaVu Sans Mono"}));

TEST(GlyphRenderer, ChineseTextMeasuresAndDraws)
{
    // In a Chinese face, and in a Latin face that takes the characters from another.
    for (const char* face : {"黑体", "Arial"}) {
        const CanvasFont font = MakeFont(face, -20);
        EXPECT_GT(Measure(font, "屏幕保护").Width, Measure(font, "屏").Width) << face;
        EXPECT_GT(InkCount(Drawing(PixelFormat::pf8bit, font, "屏幕保护")), 40u) << face;
    }
}

TEST(GlyphRenderer, MalformedTextIsSafe)
{
    const CanvasFont font = MakeFont("Arial", -16);
    for (std::string_view text : {std::string_view("\xFF\xFE"), std::string_view("ab\xE4\xBD"),
                                  std::string_view("\xC0\xAF"), std::string_view("\xED\xA0\x80"),
                                  std::string_view("\xF4\x90\x80\x80"), std::string_view("a\0b", 3),
                                  std::string_view("\x80\x80\x80\x80\xF0")}) {
        const TextSize size = Measure(font, text);
        EXPECT_GE(size.Width, 0);
        EXPECT_EQ(size.Height, Measure(font, "").Height);
        Drawing drawing(PixelFormat::pf24bit, font, text);
    }
    // Bad face names and absurd heights fall back to some face.
    for (const CanvasFont& odd : {MakeFont("\xFF\xFE", -16), MakeFont(std::string("Ar\0ial", 6), 0),
                                  MakeFont("", INT32_MIN), MakeFont("No Such Face", INT32_MAX)}) {
        EXPECT_GT(Measure(odd, "x").Height, 0);
    }
}

TEST(GlyphRenderer, UnderlineLiesBelowTheBaselineAndStrikeOutAbove)
{
    const CanvasFont plain = MakeFont("Arial", -24);
    const int32_t baseline = 4 + FontMetrics(plain).Ascent;
    const Drawing without(PixelFormat::pf24bit, plain, "mum");
    for (uint32_t style : {uint32_t(fsUnderline), uint32_t(fsStrikeOut)}) {
        const Drawing with(PixelFormat::pf24bit, MakeFont("Arial", -24, style), "mum");
        size_t added = 0;
        for (Point p : with.Inked()) {
            if (without.IsInk(p.X, p.Y))
                continue;
            ++added;
            if (style == fsUnderline)
                EXPECT_GE(p.Y, baseline);
            else
                EXPECT_LT(p.Y, baseline);
        }
        // The line spans the advance width of the text.
        EXPECT_GE(added, size_t(Measure(plain, "mum").Width) / 2) << style;
    }
}

TEST(GlyphRenderer, TextOutFillsTheCellOnlyWithASolidBrush)
{
    for (BrushStyle brush : {BrushStyle::bsSolid, BrushStyle::bsClear}) {
        Bitmap target(120, 50, PixelFormat::pf24bit);
        Canvas& canvas = target.GetCanvas();
        canvas.Brush = {kBackground, BrushStyle::bsSolid};
        canvas.FillRect({0, 0, 120, 50});
        canvas.Brush = {clWhite, brush};
        canvas.Font = MakeFont("Arial", 20);
        canvas.TextOut(10, 15, "Hi");
        const Rect cell = Rect::FromSize(10, 15, canvas.TextWidth("Hi"), 20);
        size_t white = 0, ink = 0;
        for (int32_t y = 0; y < 50; ++y)
            for (int32_t x = 0; x < 120; ++x) {
                const TColor c = target.GetPixel(x, y);
                if (!cell.Contains({x, y})) {
                    EXPECT_EQ(c, kBackground);
                    continue;
                }
                white += c == clWhite;
                ink += c == kInk;
                EXPECT_TRUE(c == kInk || c == (brush == BrushStyle::bsSolid ? clWhite : kBackground));
            }
        EXPECT_GT(ink, 0u);
        EXPECT_EQ(white > 0, brush == BrushStyle::bsSolid);
    }
}

TEST(GlyphRenderer, ThreadsGetTheSameResults)
{
    const CanvasFont fonts[] = {MakeFont("Arial", -13), MakeFont("黑体", 30, fsBold), MakeFont("KaiTi", -17)};
    const std::string text = "Saver 屏保";
    std::vector<TextSize> expected;
    for (const CanvasFont& font : fonts)
        expected.push_back(Measure(font, text));
    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round) {
                const CanvasFont& font = fonts[(t + round) % 3];
                mismatches[size_t(t)] += Measure(font, text) != expected[size_t((t + round) % 3)];
                Drawing drawing(PixelFormat::pf8bit, font, text, {0, 0}, {}, 64, 32);
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

TEST(GlyphRenderer, CachesStartAgainWithoutChangingResults)
{
    const CanvasFont font = MakeFont("Arial", -14);
    const TextSize before = Measure(font, "cache");
    for (int32_t height = 1; height <= 80; ++height)
        EXPECT_EQ(Measure(MakeFont("Arial", height), "").Height, height);
    EXPECT_EQ(Measure(font, "cache"), before);

    // Forty huge glyphs overflow the glyph cache in the middle of one line.
    const CanvasFont huge = MakeFont("黑体", -2200);
    std::string line;
    int32_t sum = 0;
    for (char32_t c = U'一'; c < U'一' + 40; ++c) {
        const std::string one{char(0xE0 | (c >> 12)), char(0x80 | ((c >> 6) & 0x3F)), char(0x80 | (c & 0x3F))};
        sum += Measure(huge, one).Width;
        line += one;
    }
    Drawing drawing(PixelFormat::pf8bit, huge, line, {-2100, -400}, {}, 64, 64);
    EXPECT_EQ(Measure(huge, line).Width, sum);
    EXPECT_EQ(Measure(font, "cache"), before);
}

struct Decoded {
    std::string_view Bytes;
    std::u32string CodePoints;
};

class Utf8Decoding : public testing::TestWithParam<Decoded> {};

TEST_P(Utf8Decoding, YieldsCodePointsOrReplacements)
{
    std::u32string decoded;
    for (size_t pos = 0; pos < GetParam().Bytes.size();)
        decoded += text::NextCodePoint(GetParam().Bytes, pos);
    EXPECT_EQ(decoded, GetParam().CodePoints);
}

INSTANTIATE_TEST_SUITE_P(Sequences, Utf8Decoding,
                         testing::Values(Decoded{"A\xC3\xA9", U"A\u00E9"}, Decoded{"\xE9\xBB\x91", U"\u9ED1"},
                                         Decoded{"\xF0\x9F\x98\x80", U"\U0001F600"},
                                         Decoded{"\xC0\x80", U"\uFFFD\uFFFD"},         // overlong NUL
                                         Decoded{"\xE0\x80\xAF", U"\uFFFD\uFFFD\uFFFD"}, // overlong
                                         Decoded{"\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"}, // surrogate
                                         Decoded{"\xF4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},
                                         Decoded{"\xE9\xBB", U"\uFFFD\uFFFD"}, // cut short
                                         Decoded{"\xE9" "A", U"\uFFFDA"}));
