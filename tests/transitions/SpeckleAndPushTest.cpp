// Speckle, random squares and the pushes, checked on regions and on real
// frames: the worked numbers, the generator draws replayed by hand, and every
// push against a stretched copy taken from a separate copy of the old image.

#include "RegionTestSupport.h"
#include "core/Random.h"
#include "gdi/Canvas.h"
#include "transitions/effects/SpeckleAndPush.h"

#include <gtest/gtest.h>

#include <random>

using namespace saver;
using namespace saver::test;
using enum saver::SpeckleKind;

namespace {

// How many draws lead from `seed` to `reached` (up to a limit).
size_t DrawsBetween(uint32_t seed, uint32_t reached, size_t limit = 100000)
{
    SetRandSeed(seed);
    for (size_t draws = 0; draws <= limit; ++draws) {
        if (RandSeed() == reached)
            return draws;
        (void)Random(2);
    }
    return SIZE_MAX;
}

Mask MaskOf(const Region& region, int32_t w, int32_t h)
{
    Mask mask{w, h, {}};
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            mask.New.push_back(region.Contains({x, y}) ? 1 : 0);
    return mask;
}

// The speckle rows of kind 1 replayed draw by draw: rows F high on a pitch
// of F / 2, the solid part from the front to the right edge and cell k
// (F wide, k cells left of the front) when Random(k) <= (k <= t).
Mask SpeckleFromRight(uint32_t seed, int32_t X, int32_t W, int32_t H, int32_t F, int32_t n, int32_t t)
{
    SetRandSeed(seed);
    Mask mask{W, H, std::vector<uint8_t>(size_t(W) * size_t(H))};
    const auto fill = [&](int32_t left, int32_t right, int32_t top) {
        for (int32_t y = top; y < std::min(top + F, H); ++y)
            for (int32_t x = std::max(left, 0); x < std::min(right, W); ++x)
                mask.New[size_t(y) * size_t(W) + size_t(x)] = 1;
    };
    for (int32_t y = 0; y < H; y += F / 2) {
        fill(W - X, W, y);
        for (int32_t k = n; k >= 1; --k)
            if (Random(k) <= (k <= t ? 1 : 0))
                fill(W - X - k * F, W - X - k * F + F, y);
    }
    return mask;
}

// Distinct values along both axes, the fourth byte included.
std::unique_ptr<Bitmap> Numbered(int32_t w, int32_t h, PixelFormat format, uint32_t salt)
{
    std::mt19937 random(salt);
    auto b = std::make_unique<Bitmap>(w, h, format);
    const size_t used = size_t(w) * size_t(BitsPerPixel(format) / 8);
    for (int32_t y = 0; y < h; ++y)
        for (size_t i = 0; i < used; ++i)
            b->ScanLine(y)[i] = uint8_t(random());
    return b;
}

} // namespace

TEST(CreateSpeckleRegion, On400WideRowsAre2HighOnA1PixelPitchWith20Cells)
{
    // E 40, F 2, n 20, t 15.
    constexpr uint32_t seed = 12345;
    SetRandSeed(seed);
    const Region region = CreateSpeckleRegion(200, 0, 400, 300, FromEnd, None);
    EXPECT_EQ(DrawsBetween(seed, RandSeed()), 300u * 20u) << "one draw per cell, 20 cells on each of 300 rows";
    const Mask mask = MaskOf(region, 400, 300);
    for (int32_t y = 0; y < 300; ++y) {
        for (int32_t x = 196; x < 400; ++x)
            ASSERT_TRUE(mask.At(x, y)) << "solid part and cells 1 and 2 always, pixel " << x << "," << y;
        for (int32_t x = 0; x < 160; ++x)
            ASSERT_FALSE(mask.At(x, y)) << "nothing beyond 20 cells, pixel " << x << "," << y;
    }
    const Mask expected = SpeckleFromRight(seed, 200, 400, 300, 2, 20, 15);
    ExpectMask(mask, [&](int32_t x, int32_t y) { return expected.At(x, y); });
}

TEST(CreateSpeckleRegion, On1024WideRowsAre5HighOnA2PixelPitch)
{
    // E 102, F 5, n 20, t 15; 60 rows at y 0, 2, ..., 118.
    constexpr uint32_t seed = 777;
    SetRandSeed(seed);
    const Region region = CreateSpeckleRegion(500, 0, 1024, 120, FromEnd, None);
    EXPECT_EQ(DrawsBetween(seed, RandSeed()), 60u * 20u);
    const Mask mask = MaskOf(region, 1024, 120), expected = SpeckleFromRight(seed, 500, 1024, 120, 5, 20, 15);
    ExpectMask(mask, [&](int32_t x, int32_t y) { return expected.At(x, y); });
    // The front is at 524: cells 1 and 2 always, nothing beyond cell 20.
    for (int32_t y = 0; y < 120; ++y)
        EXPECT_TRUE(mask.At(524 - 10, y) && !mask.At(524 - 101, y)) << "row " << y;
}

TEST(CreateSpeckleRegion, OtherKindsAreTheRowsMirroredOrTurned)
{
    constexpr uint32_t seed = 4242;
    SetRandSeed(seed);
    const Mask right = MaskOf(CreateSpeckleRegion(90, 0, 300, 200, FromEnd, None), 300, 200);
    SetRandSeed(seed);
    const Mask left = MaskOf(CreateSpeckleRegion(90, 0, 300, 200, FromStart, None), 300, 200);
    ExpectMask(left, [&](int32_t x, int32_t y) { return right.At(299 - x, y); });

    SetRandSeed(seed);
    const Region rows = CreateSpeckleRegion(70, 0, 200, 300, FromEnd, None);
    SetRandSeed(seed);
    const Region columns = CreateSpeckleRegion(0, 70, 300, 200, None, FromEnd);
    EXPECT_EQ(columns, Transposed(rows));

    // Rows draw before columns: both parts together equal the two unions.
    SetRandSeed(seed);
    const Region both = CreateSpeckleRegion(90, 70, 300, 200, FromEnd, FromStart);
    SetRandSeed(seed);
    Region expected = CreateSpeckleRegion(90, 0, 300, 200, FromEnd, None);
    expected.Combine(expected, CreateSpeckleRegion(0, 70, 300, 200, None, FromStart), CombineMode::Or);
    EXPECT_EQ(both, expected);
}

TEST(CreateSpeckleRegion, AFullExtentIsSolidWithoutDraws)
{
    SetRandSeed(5);
    const Region region = CreateSpeckleRegion(400, 0, 400, 300, FromEnd, None);
    EXPECT_EQ(RandSeed(), 5u);
    EXPECT_EQ(MaskOf(region, 400, 300).Count(), 400u * 300u);
}

TEST(RandomSquares, On400x300AtStep4SquaresOf18OnA9PixelGrid)
{
    // SL 18, S 9: 45 x 34 grid points, one Random(100) each, x outer.
    for (const uint32_t progress : {10u, 60u}) {
        SetRandSeed(1);
        const Mask mask = RevealMask(127, 400, 300, progress);
        EXPECT_EQ(DrawsBetween(400 * 300, RandSeed()), 45u * 34u);
        SetRandSeed(400 * 300);
        std::vector<uint8_t> expected(400 * 300);
        for (int32_t x = 0; x < 400; x += 9)
            for (int32_t y = 0; y < 300; y += 9)
                if (uint32_t(Random(100)) < progress)
                    for (int32_t py = std::max(y - 9, 0); py < std::min(y + 9, 300); ++py)
                        for (int32_t px = std::max(x - 9, 0); px < std::min(x + 9, 400); ++px)
                            expected[size_t(py) * 400 + size_t(px)] = 1;
        ExpectMask(mask, [&](int32_t x, int32_t y) { return expected[size_t(y) * 400 + size_t(x)] != 0; });
    }
}

TEST(RandomSquares, APatternRepeatsAcrossRunsAndOnlyGrows)
{
    SetRandSeed(1);
    const Mask first = RevealMask(127, 200, 150, 40);
    SetRandSeed(987654);
    EXPECT_EQ(RevealMask(127, 200, 150, 40).New, first.New) << "the seed before the frame does not matter";
    Mask previous = RevealMask(127, 200, 150, 1);
    for (const uint32_t progress : {2u, 20u, 40u, 41u, 70u, 99u}) {
        const Mask mask = RevealMask(127, 200, 150, progress);
        for (size_t i = 0; i < mask.New.size(); ++i)
            ASSERT_TRUE(!previous.New[i] || mask.New[i]) << "a square shown stays, progress " << progress;
        EXPECT_GT(mask.Count(), previous.Count()) << progress;
        previous = mask;
    }
}

TEST(RandomSquares, AZeroPitchIsTakenAsOne)
{
    // 10 x 10: Step 4 gives StepLength 0 (40 / 90), Step 5 gives 1; both
    // draw 2 x 2 squares on every pixel.
    for (const uint32_t progress : {1u, 30u, 99u}) {
        const Mask zero = RevealMask(127, 10, 10, progress, 4);
        EXPECT_EQ(DrawsBetween(100, RandSeed()), 100u) << "one draw per pixel";
        EXPECT_EQ(zero.New, RevealMask(127, 10, 10, progress, 5).New) << progress;
    }
    EXPECT_GT(RevealMask(127, 10, 10, 50, 4).Count(), 0u);
}

TEST(RandomSquares, NoSquareChosenLeavesTheOldImage)
{
    // 1 x 1: seed 1, then 134775814, and 134775814 * 100 >> 32 is 3.
    EXPECT_EQ(RevealMask(127, 1, 1, 3).Count(), 0u);
    EXPECT_EQ(RevealMask(127, 1, 1, 4).Count(), 1u);
}

TEST(Push, RightAt25On400x300MovesTheOldImage100Columns)
{
    const auto old = Numbered(400, 300, PixelFormat::pf32bit, 1), picture = Numbered(400, 300, PixelFormat::pf32bit, 2);
    Bitmap screen(PixelFormat::pf32bit);
    screen.Assign(*old);
    FindShowStyle(128)->Proc(screen, *picture, {0, 0, 400, 300}, 4, 25);
    for (int32_t y = 0; y < 300; y += 7)
        for (int32_t x = 0; x < 400; ++x)
            ASSERT_EQ(screen.GetPixel(x, y), x < 100 ? picture->GetPixel(x + 300, y) : old->GetPixel(x - 100, y))
                << x << "," << y;
}

TEST(Push, SqueezeRightAt25On400x300ShrinksTheOldImageTo300Columns)
{
    // Each old column is a distinct grey level, rows all alike.
    auto old = std::make_unique<Bitmap>(400, 300, PixelFormat::pf32bit);
    for (int32_t y = 0; y < 300; ++y)
        for (int32_t x = 0; x < 400; ++x)
            old->SetPixel(x, y, TColor(x));
    const auto picture = Numbered(400, 300, PixelFormat::pf32bit, 2);
    Bitmap screen(PixelFormat::pf32bit);
    screen.Assign(*old);
    FindShowStyle(130)->Proc(screen, *picture, {0, 0, 400, 300}, 4, 25);
    for (int32_t y = 0; y < 300; y += 7) {
        for (int32_t x = 0; x < 100; ++x)
            ASSERT_EQ(screen.GetPixel(x, y), picture->GetPixel(x + 300, y)) << x << "," << y;
        int32_t previous = -1;
        for (int32_t i = 0; i < 300; ++i) {
            // Destination column i of 300 takes one of the old columns
            // 4i/3 .. 4(i+1)/3 of its share, in order.
            const auto column = int32_t(screen.GetPixel(100 + i, y));
            ASSERT_GE(column, i * 4 / 3) << i;
            ASSERT_LT(column, (i + 1) * 4 / 3 + 1) << i;
            ASSERT_GT(column, previous) << i;
            previous = column;
        }
    }
}

// Every push against a copy made the slow way: copy 1 as a stretched copy
// (COLORONCOLOR) from a separate copy of the old image, copy 2 unscaled.
TEST(Push, EveryStyleMatchesCopiesFromASeparateOldImage)
{
    struct Copies {
        TShowStyle Style;
        bool Horizontal, Squeeze, Forward; // Forward: right or down
    };
    const Copies styles[] = {{128, true, false, true},  {129, true, false, false}, {130, true, true, true},
                             {131, true, true, false},  {132, false, false, true}, {133, false, false, false},
                             {134, false, true, true},  {135, false, true, false}};
    for (const PixelFormat format : {PixelFormat::pf8bit, PixelFormat::pf24bit, PixelFormat::pf32bit})
        for (const auto& [w, h] : {std::pair{37, 23}, std::pair{20, 51}, std::pair{64, 64}})
            for (const uint32_t progress : {1u, 25u, 50u, 93u, 99u})
                for (const Copies& c : styles) {
                    const auto old = Numbered(w, h, format, 3), picture = Numbered(w, h, format, 4);
                    Bitmap screen(format);
                    screen.Assign(*old);
                    FindShowStyle(c.Style)->Proc(screen, *picture, {0, 0, w, h}, 4, progress);

                    const ProgressMetrics m = CalcProgressMetrics({0, 0, w, h}, 4, progress);
                    const int32_t len = c.Horizontal ? w : h, moved = c.Horizontal ? m.ProgressWidth : m.ProgressHeight;
                    // Along the moving axis: [from), [to) of copy 1, [from), [to) of copy 2.
                    const int32_t f0 = c.Squeeze || c.Forward ? 0 : moved, f1 = c.Squeeze || !c.Forward ? len : len - moved;
                    const int32_t t0 = c.Forward ? moved : 0, t1 = c.Forward ? len : len - moved;
                    const int32_t s0 = c.Forward ? len - moved : 0, s1 = c.Forward ? len : moved;
                    const int32_t d0 = c.Forward ? 0 : len - moved, d1 = c.Forward ? moved : len;
                    const auto along = [&](int32_t a0, int32_t a1) {
                        return c.Horizontal ? Rect{a0, 0, a1, h} : Rect{0, a0, w, a1};
                    };
                    Bitmap expected(format);
                    expected.Assign(*old);
                    Canvas& canvas = expected.GetCanvas();
                    canvas.SetStretchBltMode(StretchMode::COLORONCOLOR);
                    const Rect from = along(f0, f1), to = along(t0, t1), strip = along(s0, s1), into = along(d0, d1);
                    canvas.StretchBlt(to.Left, to.Top, to.Width(), to.Height(), *old, from.Left, from.Top, from.Width(),
                                      from.Height());
                    canvas.StretchBlt(into.Left, into.Top, into.Width(), into.Height(), *picture, strip.Left, strip.Top,
                                      strip.Width(), strip.Height());
                    ASSERT_TRUE(SamePixels(screen, expected))
                        << "style " << int(c.Style) << " " << w << "x" << h << " bits "
                        << BitsPerPixel(format) << " progress " << progress;
                }
}
