// "Fade" and the pivots: the worked numbers on real pixels, and both
// routines against plain per-pixel versions of their formulas.

#include "EffectTestSupport.h"
#include "transitions/effects/PixelEffects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <random>

using namespace saver;
using namespace saver::test;

namespace {

uint32_t Pixel(const Bitmap& b, int32_t x, int32_t y)
{
    uint32_t v;
    std::memcpy(&v, b.ScanLine(y) + size_t(x) * 4, 4);
    return v;
}

void SetPixel32(Bitmap& b, int32_t x, int32_t y, uint32_t v) { std::memcpy(b.ScanLine(y) + size_t(x) * 4, &v, 4); }

std::unique_ptr<Bitmap> Filled(int32_t w, int32_t h, uint32_t value)
{
    auto b = std::make_unique<Bitmap>(w, h, PixelFormat::pf32bit);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            SetPixel32(*b, x, y, value);
    return b;
}

// Every byte random, the fourth included.
std::unique_ptr<Bitmap> Noise(int32_t w, int32_t h, uint32_t seed)
{
    std::mt19937 random(seed);
    auto b = std::make_unique<Bitmap>(w, h, PixelFormat::pf32bit);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            SetPixel32(*b, x, y, uint32_t(random()));
    return b;
}

// The rotation pixel by pixel, as written: sums in 64 bits, which equal the
// 32-bit ones for these sizes.
void ReferenceRotate(Bitmap& screen, const Bitmap& picture, int32_t pivotX, int32_t pivotY, long double angle)
{
    const auto S = int64_t(std::trunc(std::sin(-angle) * 65536.0L));
    const auto K = int64_t(std::trunc(std::cos(-angle) * 65536.0L));
    const int32_t W = picture.Width(), H = picture.Height();
    for (int32_t Y = 0; Y < H; ++Y)
        for (int32_t X = 0; X < W; ++X) {
            const int64_t u = X + 1 - pivotX, e = H - Y - pivotY;
            const int64_t sx = pivotX + ((u * K - e * S) >> 16), sy = pivotY + ((u * S + e * K) >> 16);
            if (sx >= 0 && sx < W && sy >= 0 && sy < H)
                SetPixel32(screen, X, Y, Pixel(picture, int32_t(sx), int32_t(H - 1 - sy)));
        }
}

constexpr uint32_t kOld = 0x11000000, kNew = 0xC8FFFFFF;

// Which pixels of a pivot frame show the new picture (the old image is 0).
std::vector<std::vector<bool>> PivotCover(TShowStyle style, int32_t w, int32_t h, uint32_t progress)
{
    const auto screen = Filled(w, h, kOld);
    FindShowStyle(style)->Proc(*screen, *Filled(w, h, kNew), {0, 0, w, h}, 4, progress);
    std::vector<std::vector<bool>> cover(size_t(h), std::vector<bool>(size_t(w), false));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            cover[size_t(y)][size_t(x)] = Pixel(*screen, x, y) == kNew;
    return cover;
}

} // namespace

TEST(DivideBy100, IsExactForEveryBlendSum)
{
    // (100 - p) d + p s is at most 100 * 255 for p 0..100 and bytes d, s.
    for (uint32_t x = 0; x <= kMaxBlendSum; ++x)
        ASSERT_EQ(DivideBy100(uint16_t(x)), x / 100) << x;
}

TEST(Fade, WorkedChannelValuesAndTheFourthByteStays)
{
    struct Case {
        uint32_t Progress;
        uint8_t Old, New, Expected;
    };
    // 200 * 99 / 100 = 198; 255 * 99 / 100 = 252.45 truncated.
    for (const Case c : {Case{1, 200, 0, 198}, Case{99, 0, 255, 252}}) {
        const auto screen = Filled(3, 2, 0x37000000u | uint32_t(c.Old) << 16);
        const auto picture = Filled(3, 2, 0xC8000000u | uint32_t(c.New) << 16);
        FindShowStyle(118)->Proc(*screen, *picture, {0, 0, 3, 2}, 4, c.Progress);
        EXPECT_EQ(Pixel(*screen, 2, 1), 0x37000000u | uint32_t(c.Expected) << 16) << "progress " << c.Progress;
    }
}

TEST(BlendBitmaps, EveryChannelFollowsTheFormulaOnRowsOfAnyWidth)
{
    // Widths around the four-pixel groups the rows are blended in.
    for (const int32_t w : {1, 3, 4, 5, 17}) {
        const auto old = Noise(w, 3, 1), picture = Noise(w, 3, 2);
        for (const int32_t percent : {0, 1, 37, 50, 99, 100}) {
            const auto screen = Noise(w, 3, 1);
            BlendBitmaps(*screen, *picture, percent);
            for (int32_t y = 0; y < 3; ++y)
                for (int32_t x = 0; x < w; ++x)
                    for (int byte = 0; byte < 4; ++byte) {
                        const uint32_t d = Pixel(*old, x, y) >> (8 * byte) & 0xFF;
                        const uint32_t s = Pixel(*picture, x, y) >> (8 * byte) & 0xFF;
                        const uint32_t expected = byte == 3 ? d : ((100 - percent) * d + percent * s) / 100;
                        ASSERT_EQ(Pixel(*screen, x, y) >> (8 * byte) & 0xFF, expected)
                            << "width " << w << " percent " << percent << " pixel " << x << "," << y << " byte "
                            << byte;
                    }
        }
    }
}

TEST(RotateBitmap, MatchesThePixelByPixelFormula)
{
    struct Case {
        int32_t W, H, PivotX, PivotY;
        long double Angle;
    };
    const long double pi = std::numbers::pi_v<long double>;
    const Case cases[] = {
        {40, 30, -1, -1, pi / 4},       {40, 30, -1, 30, -pi / 3},    {33, 47, 33, -1, -0.1L},
        {33, 47, 33, 47, 1.2L},         {25, 25, 12, 12, 0},          {25, 25, 12, 12, pi},
        {31, 9, 5, 20, 2.5L},           {9, 31, -7, 3, -2.9L},        {16, 16, 3, 3, pi / 2},
        {50, 20, 10, -5, 7 * pi / 2},   // a turn and three quarters
        {20, 15, 40000, -3, 0.7L},      // a far pivot: sums beyond 32 bits
        {1, 1, -1, -1, 0},              {2, 7, 0, 0, -pi / 2},
        // Frames drawn in several tiles of rows and columns, rows starting
        // and ending inside a tile.
        {150, 70, -1, -1, pi / 5},      {130, 47, 130, 47, -1.1L},    {65, 33, 64, -1, 0.3L},
        {256, 40, -1, -1, 0.05L},       {257, 20, 257, 20, -0.02L},   {600, 24, 300, -1, 0.03L},
    };
    for (const Case& c : cases) {
        const auto picture = Noise(c.W, c.H, 7);
        const auto screen = Noise(c.W, c.H, 8), expected = Noise(c.W, c.H, 8);
        RotateBitmap(*screen, *picture, c.PivotX, c.PivotY, c.Angle);
        ReferenceRotate(*expected, *picture, c.PivotX, c.PivotY, c.Angle);
        EXPECT_TRUE(SamePixels(*screen, *expected))
            << c.W << "x" << c.H << " pivot " << c.PivotX << "," << c.PivotY << " angle " << double(c.Angle);
    }
}

TEST(RotateBitmap, AtAngleZeroEachPixelTakesTheOneAboveRight)
{
    const auto picture = Noise(6, 5, 3), screen = Filled(6, 5, kOld);
    RotateBitmap(*screen, *picture, 0, 0, 0);
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 6; ++x)
            EXPECT_EQ(Pixel(*screen, x, y), y == 0 || x == 5 ? kOld : Pixel(*picture, x + 1, y - 1)) << x << "," << y;
}

TEST(PivotFromTopLeft, HalfwayOn400x300CoversAbove45Degrees)
{
    const auto cover = PivotCover(119, 400, 300, 50);
    const auto coveredUpTo = [](const std::vector<bool>& line, int32_t last) {
        for (size_t i = 0; i < line.size(); ++i)
            if (line[i] != (int32_t(i) <= last))
                return false;
        return true;
    };
    std::vector<bool> leftColumn;
    for (const auto& row : cover)
        leftColumn.push_back(row[0]);
    EXPECT_TRUE(coveredUpTo(leftColumn, 297)) << "left column y 0..297";
    EXPECT_TRUE(coveredUpTo(cover[0], 264)) << "top row x 0..264";
    EXPECT_TRUE(coveredUpTo(cover[150], 147)) << "row 150 x 0..147";
}

TEST(PivotFromTopLeft, FirstFrameShowsA157PixelSliverAlongTheLeftEdge)
{
    const auto cover = PivotCover(119, 400, 300, 1);
    size_t count = 0;
    for (size_t y = 0; y < cover.size(); ++y)
        for (size_t x = 0; x < cover[y].size(); ++x)
            if (cover[y][x]) {
                ++count;
                EXPECT_LT(x, 2u) << "at most two pixels wide, pixel " << x << "," << y;
                EXPECT_LT(y, 150u) << "upper part of the edge, pixel " << x << "," << y;
            }
    EXPECT_EQ(count, 157u);
}

TEST(Pivots, EachShowsFirstAtItsCornerAndCopiesWholePixels)
{
    struct Case {
        TShowStyle Style;
        int32_t CornerX, CornerY; // 0 left / top, 1 right / bottom
    };
    constexpr int32_t w = 120, h = 90;
    for (const Case c : {Case{119, 0, 0}, Case{120, 0, 1}, Case{121, 1, 0}, Case{122, 1, 1}}) {
        const auto cover = PivotCover(c.Style, w, h, 5);
        // The corner pixel shows; the opposite side and corner do not yet.
        EXPECT_TRUE(cover[size_t(c.CornerY * (h - 1))][size_t(c.CornerX * (w - 1))]) << int(c.Style);
        EXPECT_FALSE(cover[size_t((1 - c.CornerY) * (h - 1))][size_t((1 - c.CornerX) * (w - 1))]) << int(c.Style);
        for (int32_t y = 0; y < h; ++y)
            EXPECT_FALSE(cover[size_t(y)][size_t((1 - c.CornerX) * (w - 1))]) << int(c.Style) << " row " << y;
        // Near the end the picture covers nearly everything.
        const auto late = PivotCover(c.Style, w, h, 99);
        size_t covered = 0;
        for (const auto& row : late)
            covered += size_t(std::count(row.begin(), row.end(), true));
        EXPECT_GT(covered, size_t(w * h * 9 / 10)) << int(c.Style);
    }
}
