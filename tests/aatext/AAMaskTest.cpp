// The coverage mask: downsampling, measuring, outline, blur, rows; and
// composing it in a colour or through a fill.
#include "aatext/AAFont.h"

#include "AATextTestSupport.h"

#include <random>

namespace saver {
namespace {

using test::BoxGlyphRenderer;
using test::FillTarget;
using test::PatternGlyphRenderer;
using test::ScopedGlyphRenderer;

// A slow reference of the downsampling rules: the weights (2 = whole byte,
// 1 = byte shifted right by one) and the final shift per quality.
uint8_t ReferenceCoverage(TAAQuality quality, const std::vector<uint8_t>& grey, int32_t stride, int32_t x,
                          int32_t y)
{
    const int32_t s = QualityScale(quality);
    if (quality == TAAQuality::aqNone)
        return grey[size_t(y * stride + x)];
    static const int kNormalWeights[3][3] = {{2, 2, 1}, {2, 2, 2}, {1, 2, 2}};
    uint32_t sum = 0;
    for (int32_t j = 0; j < s; ++j)
        for (int32_t i = 0; i < s; ++i) {
            const uint8_t v = grey[size_t((y * s + j) * stride + x * s + i)];
            sum += quality == TAAQuality::aqNormal && kNormalWeights[j][i] == 1 ? v >> 1 : v;
        }
    const int shift = quality == TAAQuality::aqHigh ? 4 : quality == TAAQuality::aqNormal ? 3 : 2;
    return uint8_t(sum >> shift);
}

class DownsampleTest : public ::testing::TestWithParam<TAAQuality> {};

TEST_P(DownsampleTest, RandomRenderMatchesTheRuleBitForBit)
{
    const TAAQuality quality = GetParam();
    const int32_t s = QualityScale(quality), w = 7, h = 5; // odd sizes: row padding in play
    std::mt19937 random(1234);
    std::vector<uint8_t> grey(size_t(w * s * h * s));
    for (uint8_t& v : grey)
        v = uint8_t(random());
    PatternGlyphRenderer renderer(w * s, h * s, grey);
    ScopedGlyphRenderer installed(renderer);
    Bitmap target(8, 8, PixelFormat::pf24bit);
    TAAFont font(&target.GetCanvas());
    font.Mask().SetQuality(quality);
    font.Mask().Render("x", w, h, Point{0, 0});

    ASSERT_EQ(font.Mask().Width(), w);
    ASSERT_EQ(font.Mask().BytesPerRow(), 8);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            ASSERT_EQ(font.Mask().ScanLine(y)[x], ReferenceCoverage(quality, grey, w * s, x, y))
                << "at (" << x << ", " << y << ")";
}

TEST_P(DownsampleTest, FullCoverageAndBlackOnWhite)
{
    // aqNormal tops out at 254, so black on white is (1, 1, 1); the other
    // qualities reach 255 and the exact colour.
    const TAAQuality quality = GetParam();
    const bool normal = quality == TAAQuality::aqNormal;
    BoxGlyphRenderer renderer;
    ScopedGlyphRenderer installed(renderer);
    Bitmap target;
    FillTarget(target, 30, 14, clWhite);
    TAAFont font(&target.GetCanvas());
    target.GetCanvas().Font.Height = -10;
    font.Mask().SetQuality(quality);
    font.Mask().DrawText("ab");

    ASSERT_EQ(font.Mask().Width(), 20);
    ASSERT_EQ(font.Mask().Height(), 10);
    EXPECT_EQ(font.Mask().ScanLine(9)[19], normal ? 254 : 255);
    font.Blend().BlendColor(3, 2, font.Mask(), 100, clBlack);
    EXPECT_EQ(target.GetPixel(3, 2), normal ? RGB(1, 1, 1) : clBlack);
    EXPECT_EQ(target.GetPixel(22, 11), normal ? RGB(1, 1, 1) : clBlack);
    EXPECT_EQ(target.GetPixel(23, 11), clWhite);
    EXPECT_EQ(target.GetPixel(2, 2), clWhite);
}

INSTANTIATE_TEST_SUITE_P(Qualities, DownsampleTest,
                         ::testing::Values(TAAQuality::aqHigh, TAAQuality::aqNormal, TAAQuality::aqLow,
                                           TAAQuality::aqNone));

TEST(AAMaskTest, ItalicWidthGainsThreeTenthsOfTheAverageAdvance)
{
    BoxGlyphRenderer renderer; // 10 characters at height 10 measure 100
    ScopedGlyphRenderer installed(renderer);
    Bitmap target(4, 4, PixelFormat::pf24bit);
    TAAFont font(&target.GetCanvas());
    target.GetCanvas().Font.Height = -10;
    EXPECT_EQ(font.TextWidth("abcdefghij"), 100);
    target.GetCanvas().Font.Style = fsItalic;
    EXPECT_EQ(font.TextWidth("abcdefghij"), 103);
    // 5 / 1 * 0.3 = 1.5 rounds to the even 2; 15 / 3 * 0.3 = 1.5 too.
    target.GetCanvas().Font.Height = -5;
    EXPECT_EQ(font.TextWidth("a"), 7);
    EXPECT_EQ(font.TextWidth("abc"), 17);
    EXPECT_EQ(target.GetCanvas().Font.Height, -5) << "the font height is restored after measuring";
    EXPECT_EQ(TAAFont(nullptr).TextWidth("abc"), 0);
}

// The extra width is computed in floating point: where width / length * 0.3
// falls just below a half, it rounds down although the exact quotient is a
// half (35 * 3 / 30 = 3.5 would give 4).
TEST(AAMaskTest, ItalicExtraWidthRoundsTheFloatingPointProduct)
{
    struct Case {
        int32_t Width;
        const char* Text;
        int32_t Expected;
    };
    const Case cases[] = {
        {35, "abc", 38},       // 3.4999999999999996 -> 3
        {55, "abc", 60},       // 5.499999999999999 -> 5
        {70, "abcdef", 73},    // 3.4999999999999996 -> 3
        {25, "a", 33},         // exactly 7.5 -> 8
        {34, "abc", 37},       // 3.4 -> 3
    };
    for (const Case& c : cases) {
        PatternGlyphRenderer renderer(c.Width, 1, std::vector<uint8_t>(size_t(c.Width)));
        ScopedGlyphRenderer installed(renderer);
        Bitmap target(4, 4, PixelFormat::pf24bit);
        TAAFont font(&target.GetCanvas());
        font.Mask().SetQuality(TAAQuality::aqNone); // measured width = pattern width
        target.GetCanvas().Font.Style = fsItalic;
        EXPECT_EQ(font.TextWidth(c.Text), c.Expected) << c.Width << " / " << c.Text;
    }
}

// A mask from rows of coverage, top row first.
void FillMask(TAAMask& mask, const std::vector<std::vector<uint8_t>>& rows)
{
    mask.SetSize(int32_t(rows[0].size()), int32_t(rows.size()));
    for (size_t y = 0; y < rows.size(); ++y)
        std::copy(rows[y].begin(), rows[y].end(), mask.ScanLine(int32_t(y)));
}

TEST(AAMaskTest, OutlineOfAFilledRectangle)
{
    // 8 x 8: border pixels 7, a 255 square at columns and rows 2..5.
    std::vector<std::vector<uint8_t>> rows(8, std::vector<uint8_t>(8, 0));
    for (int i = 0; i < 8; ++i)
        rows[0][i] = rows[7][i] = rows[i][0] = rows[i][7] = 7;
    for (int y = 2; y < 6; ++y)
        for (int x = 2; x < 6; ++x)
            rows[y][x] = 255;
    TAAMask mask(nullptr);
    FillMask(mask, rows);
    mask.ApplyOutline();

    EXPECT_EQ(mask.ScanLine(3)[3], 0);
    EXPECT_EQ(mask.ScanLine(4)[4], 0);
    EXPECT_EQ(mask.ScanLine(2)[2], 191); // (255 + 255 + 0 + 255) >> 2
    EXPECT_EQ(mask.ScanLine(3)[2], 191);
    EXPECT_EQ(mask.ScanLine(1)[1], 65); // (7 + 7 + 0 + 248) >> 2
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(mask.ScanLine(0)[i], 7);
        EXPECT_EQ(mask.ScanLine(7)[i], 7);
        EXPECT_EQ(mask.ScanLine(i)[0], 7);
        EXPECT_EQ(mask.ScanLine(i)[7], 7);
    }
}

TEST(AAMaskTest, BlurOfOnePixelSpreadsTenOverFiveByFive)
{
    TAAMask mask(nullptr);
    mask.SetSize(9, 9);
    mask.ScanLine(4)[4] = 255;
    mask.ApplyBlur(100);
    for (int32_t y = 0; y < 9; ++y)
        for (int32_t x = 0; x < 9; ++x)
            EXPECT_EQ(mask.ScanLine(y)[x], (std::abs(x - 4) <= 2 && std::abs(y - 4) <= 2) ? 10 : 0)
                << "at (" << x << ", " << y << ")";
}

TEST(AAMaskTest, BlurClampsAtTheBorderAndMixesByStrength)
{
    TAAMask mask(nullptr);
    mask.SetSize(9, 9);
    mask.ScanLine(0)[0] = 255;
    mask.ApplyBlur(100);
    EXPECT_EQ(mask.ScanLine(0)[0], 92); // counted 3 x 3 times: 2295 / 25 = 91.8
    EXPECT_EQ(mask.ScanLine(0)[1], 61); // 2 x 3 times: 61.2
    EXPECT_EQ(mask.ScanLine(2)[2], 10);
    EXPECT_EQ(mask.ScanLine(0)[3], 0);

    // Strength 50 gives k = 128: the centre falls by floor(-245 * 128 / 256)
    // = -123, a neighbour rises by 5.
    mask.SetSize(9, 9);
    mask.ScanLine(4)[4] = 255;
    mask.ApplyBlur(50);
    EXPECT_EQ(mask.ScanLine(4)[4], 132);
    EXPECT_EQ(mask.ScanLine(4)[5], 5);
}

TEST(AAMaskTest, ScanLineOutsideTheMaskRaises)
{
    TAAMask mask(nullptr);
    mask.SetSize(3, 4);
    EXPECT_NO_THROW((void)mask.ScanLine(3));
    for (int32_t y : {-1, 4}) {
        try {
            (void)mask.ScanLine(y);
            ADD_FAILURE() << "row " << y << " did not raise";
        } catch (const EInvalidLine& e) {
            EXPECT_STREQ(e.what(), "Invalid line!");
        }
    }
}

TEST(AABlendTest, FillOnePixelNarrowerRaisesBeforeDrawing)
{
    Bitmap target;
    FillTarget(target, 12, 12, clWhite);
    TAAFont font(&target.GetCanvas());
    font.Mask().SetSize(5, 4);
    std::fill_n(font.Mask().ScanLine(0), 5, uint8_t(255));
    font.Blend().ForeBitmap().SetSize(4, 4);
    try {
        font.Blend().BlendFill(1, 1, font.Mask(), 100);
        ADD_FAILURE() << "no exception";
    } catch (const EInvalidForeBmp& e) {
        EXPECT_STREQ(e.what(), "Invalid foreground bitmap!");
    }
    for (int32_t y = 0; y < 12; ++y)
        for (int32_t x = 0; x < 12; ++x)
            ASSERT_EQ(target.GetPixel(x, y), clWhite) << "drawn at (" << x << ", " << y << ")";

    font.Blend().ForeBitmap().SetSize(5, 4);
    font.Blend().ForeBitmap().SetPixelFormat(PixelFormat::pf32bit);
    EXPECT_THROW(font.Blend().BlendFill(1, 1, font.Mask(), 100), EInvalidForeBmp);
}

TEST(AABlendTest, FillLaysTheForeImageThroughTheCoverage)
{
    Bitmap target;
    FillTarget(target, 6, 3, clWhite);
    target.GetCanvas().Brush.Style = BrushStyle::bsClear;
    TAAFont font(&target.GetCanvas());
    FillMask(font.Mask(), {{255, 128, 0}});
    Bitmap& fore = font.Blend().ForeBitmap();
    fore.SetSize(3, 1);
    for (int32_t x = 0; x < 3; ++x)
        fore.SetPixel(x, 0, RGB(0, 100, 200));
    font.Blend().BlendFill(2, 1, font.Mask(), 100);
    EXPECT_EQ(target.GetPixel(2, 1), RGB(0, 100, 200));
    // t = 128 * 256 >> 8 = 128: 255 + floor((c - 255) / 2).
    EXPECT_EQ(target.GetPixel(3, 1), RGB(127, 177, 227));
    EXPECT_EQ(target.GetPixel(4, 1), clWhite);
}

TEST(AABlendTest, AlphaZeroStillWritesTheBrushBox)
{
    Bitmap target;
    FillTarget(target, 10, 10, clRed);
    TAAFont font(&target.GetCanvas());
    font.Mask().SetSize(4, 3);
    std::fill_n(font.Mask().ScanLine(1), 4, uint8_t(255));

    target.GetCanvas().Brush = {clGreen, BrushStyle::bsClear};
    font.Blend().BlendColor(2, 2, font.Mask(), 0, clBlack);
    EXPECT_EQ(target.GetPixel(2, 3), clRed) << "clear brush: nothing changes";

    target.GetCanvas().Brush.Style = BrushStyle::bsSolid;
    font.Blend().BlendColor(2, 2, font.Mask(), 0, clBlack);
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 10; ++x) {
            const bool inBox = x >= 2 && x < 6 && y >= 2 && y < 5;
            ASSERT_EQ(target.GetPixel(x, y), inBox ? clGreen : clRed) << "at (" << x << ", " << y << ")";
        }
}

} // namespace
} // namespace saver
