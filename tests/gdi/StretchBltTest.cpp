#include "gdi/Bitmap.h"
#include "gdi/Canvas.h"
#include "gdi/PixelGather.h"
#include "gdi/StretchBlt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

using namespace saver;

namespace {

// Every pixel distinct, so a misplaced pixel shows.
std::unique_ptr<Bitmap> Numbered(int32_t w, int32_t h, PixelFormat format = PixelFormat::pf32bit)
{
    auto b = std::make_unique<Bitmap>(w, h, format);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            b->SetPixel(x, y, RGB(uint8_t(x * 5), uint8_t(y * 7), uint8_t(x + y)));
    return b;
}

void ExpectSameBitmap(const Bitmap& a, const Bitmap& b)
{
    ASSERT_EQ(a.Width(), b.Width());
    ASSERT_EQ(a.Height(), b.Height());
    int reported = 0;
    for (int32_t y = 0; y < a.Height(); ++y)
        for (int32_t x = 0; x < a.Width(); ++x)
            if (a.GetPixel(x, y) != b.GetPixel(x, y) && reported++ < 5)
                ADD_FAILURE() << "pixel (" << x << "," << y << "): " << std::hex << a.GetPixel(x, y) << " vs "
                              << b.GetPixel(x, y);
}

} // namespace

TEST(StretchBlt, OverlappingCopyOnOneBitmapReadsTheSourceFirst)
{
    auto bitmap = Numbered(12, 6);
    auto original = Numbered(12, 6);
    // Shift right by 3 and enlarge: a naive in-place copy would smear.
    StretchBlt(*bitmap, {0, 0, 12, 6}, 3, 0, 9, 6, *bitmap, 0, 0, 6, 6, StretchMode::COLORONCOLOR);
    auto expected = Numbered(12, 6);
    StretchBlt(*expected, {0, 0, 12, 6}, 3, 0, 9, 6, *original, 0, 0, 6, 6, StretchMode::COLORONCOLOR);
    ExpectSameBitmap(*bitmap, *expected);
}

TEST(StretchBlt, WhiteOnBlackOrsWhatBlackOnWhiteAnds)
{
    Bitmap source(2, 1, PixelFormat::pf24bit);
    source.SetPixel(0, 0, RGB(0xF0, 0x0F, 0x11));
    source.SetPixel(1, 0, RGB(0x0F, 0xF0, 0x22));
    Bitmap target(1, 1, PixelFormat::pf24bit);
    StretchBlt(target, {0, 0, 1, 1}, 0, 0, 1, 1, source, 0, 0, 2, 1, StretchMode::WHITEONBLACK);
    // A one-pixel-wide destination takes one source pixel less.
    EXPECT_EQ(target.GetPixel(0, 0), RGB(0xF0, 0x0F, 0x11));
    Bitmap wide(1, 1, PixelFormat::pf24bit);
    Bitmap source3(3, 1, PixelFormat::pf24bit);
    source3.SetPixel(0, 0, RGB(0xF0, 0x0F, 0x11));
    source3.SetPixel(1, 0, RGB(0x0F, 0xF0, 0x22));
    source3.SetPixel(2, 0, RGB(0xFF, 0xFF, 0xFF));
    StretchBlt(wide, {0, 0, 1, 1}, 0, 0, 1, 1, source3, 0, 0, 3, 1, StretchMode::WHITEONBLACK);
    EXPECT_EQ(wide.GetPixel(0, 0), RGB(0xFF, 0xFF, 0x33));
    StretchBlt(wide, {0, 0, 1, 1}, 0, 0, 1, 1, source3, 0, 0, 3, 1, StretchMode::BLACKONWHITE);
    EXPECT_EQ(wide.GetPixel(0, 0), RGB(0x00, 0x00, 0x00));
}

// A mirrored blit whose source rectangle reaches past both ends of a
// three-pixel row, into a four-pixel row; what a real GDI wrote, by source
// column (-1: left alone). Whether the window reaches one pixel further at
// its far end depends on the cut where the copy starts covering a whole
// destination pixel: each direction on both sides of that.
struct MirroredCut {
    const char* Name;
    int32_t XD, WD, XS, WS;
    std::array<int, 4> Columns;
};

class StretchMirroredCutBothEnds : public testing::TestWithParam<MirroredCut> {};

TEST_P(StretchMirroredCutBothEnds, WritesWhatTheGdiWrites)
{
    const MirroredCut c = GetParam();
    auto source = Numbered(3, 1);
    Bitmap target(4, 1, PixelFormat::pf32bit);
    const TColor untouched = RGB(1, 2, 3);
    for (int32_t x = 0; x < 4; ++x)
        target.SetPixel(x, 0, untouched);
    StretchBlt(target, {0, 0, 4, 1}, c.XD, 0, c.WD, 1, *source, c.XS, 0, c.WS, 1, StretchMode::COLORONCOLOR);
    for (int32_t x = 0; x < 4; ++x)
        EXPECT_EQ(target.GetPixel(x, 0), c.Columns[x] < 0 ? untouched : source->GetPixel(c.Columns[x], 0))
            << "column " << x;
}

INSTANTIATE_TEST_SUITE_P(Gdi, StretchMirroredCutBothEnds,
                         testing::Values(MirroredCut{"LeftwardsReachesFurther", 2, -4, -4, 8, {2, 1, -1, -1}},
                                         MirroredCut{"LeftwardsDoesNot", 3, -3, -1, 5, {-1, 1, 0, -1}},
                                         MirroredCut{"RightwardsReachesFurther", -3, 7, 3, -6, {2, 1, 1, 0}},
                                         MirroredCut{"RightwardsDoesNot", -3, 6, 3, -10, {-1, 2, 1, -1}}),
                         [](const testing::TestParamInfo<MirroredCut>& info) { return std::string(info.param.Name); });

class StretchFormats : public testing::TestWithParam<PixelFormat> {};

// The pixel choice does not depend on the storage format.
TEST_P(StretchFormats, PickTheSamePixelsAsThirtyTwoBits)
{
    auto reference = Numbered(17, 13);
    auto source = Numbered(17, 13, GetParam());
    Bitmap a(11, 19, PixelFormat::pf32bit), b(11, 19, GetParam());
    StretchBlt(a, {0, 0, 11, 19}, 10, 0, -11, 19, *reference, 2, 1, 15, 12, StretchMode::COLORONCOLOR);
    StretchBlt(b, {0, 0, 11, 19}, 10, 0, -11, 19, *source, 2, 1, 15, 12, StretchMode::COLORONCOLOR);
    b.SetPixelFormat(PixelFormat::pf32bit);
    if (GetParam() == PixelFormat::pf8bit) {
        // Grey levels only: compare what an 8-bit copy of the reference holds.
        a.SetPixelFormat(PixelFormat::pf8bit);
        a.SetPixelFormat(PixelFormat::pf32bit);
    }
    ExpectSameBitmap(a, b);
}

INSTANTIATE_TEST_SUITE_P(Formats, StretchFormats,
                         testing::Values(PixelFormat::pf8bit, PixelFormat::pf24bit, PixelFormat::pfDevice));

// Clipping to several rectangles writes exactly what one full blit writes
// inside them: checked over seeded random geometry.
TEST(StretchBlt, ClipRectanglesSelectPixelsOfTheFullBlit)
{
    std::mt19937 random(20261208);
    auto source = Numbered(23, 17);
    for (int round = 0; round < 300; ++round) {
        auto range = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
        const int32_t xd = range(-5, 25), yd = range(-5, 25), wd = range(-30, 30), hd = range(-30, 30);
        const int32_t xs = range(-5, 25), ys = range(-5, 20), ws = range(-30, 30), hs = range(-25, 25);
        const StretchMode mode = round % 2 ? StretchMode::COLORONCOLOR : StretchMode::BLACKONWHITE;
        Bitmap full(24, 24, PixelFormat::pf32bit), clipped(24, 24, PixelFormat::pf32bit);
        StretchBlt(full, {0, 0, 24, 24}, xd, yd, wd, hd, *source, xs, ys, ws, hs, mode);
        const Rect clips[] = {{0, 0, 10, 7}, {13, 0, 24, 7}, {2, 9, 20, 24}};
        StretchBlt(clipped, clips, xd, yd, wd, hd, *source, xs, ys, ws, hs, mode);
        for (int32_t y = 0; y < 24; ++y)
            for (int32_t x = 0; x < 24; ++x) {
                bool inside = false;
                for (const Rect& c : clips)
                    inside = inside || c.Contains({x, y});
                ASSERT_EQ(clipped.GetPixel(x, y), inside ? full.GetPixel(x, y) : clBlack)
                    << "round " << round << " pixel " << x << "," << y;
            }
    }
}

// Copies drawn together row by row end as they do drawn one after another,
// overlapping ones included, with few clip rectangles (row by row) and with
// more than are interleaved (one copy after another).
TEST(StretchBlt, CopiesTogetherDrawWhatTheyDrawInTurn)
{
    std::mt19937 random(20261210);
    auto source = Numbered(23, 17);
    const Rect fewClips[] = {{0, 0, 10, 7}, {2, 9, 20, 24}};
    std::vector<Rect> manyClips;
    for (int32_t y = 0; y < 24; y += 3)
        manyClips.push_back({y % 5, y, 24 - y % 7, y + 2});
    for (int round = 0; round < 200; ++round) {
        auto range = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
        std::vector<StretchCopy> copies(size_t(range(2, 4)));
        for (StretchCopy& c : copies)
            c = {range(-5, 20), range(-5, 20), range(-30, 30), range(-30, 30),
                 range(-5, 20), range(-5, 15), range(-30, 30), range(-25, 25)};
        const StretchMode mode = round % 2 ? StretchMode::COLORONCOLOR : StretchMode::WHITEONBLACK;
        const std::span<const Rect> clips = round % 3 ? std::span<const Rect>(fewClips) : manyClips;
        Bitmap inTurn(24, 24, PixelFormat::pf32bit), together(24, 24, PixelFormat::pf32bit);
        for (const StretchCopy& c : copies)
            StretchBlt(inTurn, clips, c.xd, c.yd, c.wd, c.hd, *source, c.xs, c.ys, c.ws, c.hs, mode);
        StretchBlts(together, clips, copies, *source, mode);
        ExpectSameBitmap(together, inTurn);
        if (HasFailure())
            FAIL() << "round " << round;
    }
}

TEST(StretchBlt, AbsurdExtentsCostOnlyWhatIsVisible)
{
    auto source = Numbered(8, 8);
    Bitmap target(16, 16, PixelFormat::pf32bit);
    // Two billion destination pixels, sixteen of them on the bitmap; this
    // returns at once or not at all.
    StretchBlt(target, {0, 0, 16, 16}, -1'000'000'000, 0, 2'000'000'000, 16, *source, 0, 0, 8, 8,
               StretchMode::COLORONCOLOR);
    // Destination column 0 is a billion pixels into the run: source column 4.
    EXPECT_EQ(target.GetPixel(0, 0), source->GetPixel(4, 0));
    EXPECT_EQ(target.GetPixel(15, 15), source->GetPixel(4, 7));
    // Two billion source pixels, eight of them on the bitmap.
    StretchBlt(target, {0, 0, 16, 16}, 0, 0, 16, 16, *source, -2'000'000'000, 0, 2'100'000'000, 8,
               StretchMode::BLACKONWHITE);
    EXPECT_EQ(target.GetPixel(0, 0), source->GetPixel(4, 0)) << "left part maps outside the source";
}

// Shrinking in BLACKONWHITE / WHITEONBLACK combines each run of source
// pixels, and how the blit does so depends on the mix of run lengths: no
// run longer than two, runs sharing one power-of-two level, or runs of
// several levels. Each source pixel here holds a bit of its column and a
// bit of its row, so an OR shows exactly which pixels a destination pixel
// combined (an AND of the complements the same). Run i of a shrink by S to D starts at
// round(i * S / D), halves up; runs cut by the source bitmap's edge lose
// the pixels outside it.
TEST(StretchBlt, ShrinkingCombinesEachRunWhateverItsLength)
{
    constexpr int32_t kWidth = 16, kHeight = 8;
    auto runOf = [](int32_t i, int32_t pos, int32_t S, int32_t D, int32_t extent) {
        const int32_t start = std::max(pos + (2 * i * S + D) / (2 * D), 0);
        const int32_t end = std::min(pos + (2 * (i + 1) * S + D) / (2 * D), extent);
        return std::pair{start, end};
    };
    struct Axis {
        int32_t D, Pos, S;
    };
    // Widths: runs of one or two pixels; all of two; three or four; five or
    // six; cut at the left edge to one pixel beside runs of three, or of
    // five.
    const Axis columns[] = {{11, 0, 16}, {8, 0, 16}, {5, 0, 16}, {3, 0, 16}, {6, -2, 18}, {4, -4, 20}};
    // Heights: one source row each; one or two; four.
    const Axis rows[] = {{8, 0, 8}, {5, 0, 8}, {2, 0, 8}};
    for (const PixelFormat format : {PixelFormat::pf32bit, PixelFormat::pf24bit})
        for (const bool And : {true, false}) {
            Bitmap source(kWidth, kHeight, format);
            for (int32_t y = 0; y < kHeight; ++y)
                for (int32_t x = 0; x < kWidth; ++x) {
                    const uint32_t bits = 1u << x | 1u << (16 + y);
                    source.SetPixel(x, y, TColor(And ? ~bits & 0xFFFFFF : bits));
                }
            for (const Axis& c : columns)
                for (const Axis& r : rows) {
                    Bitmap target(c.D, r.D, PixelFormat::pf32bit);
                    StretchBlt(target, {0, 0, c.D, r.D}, 0, 0, c.D, r.D, source, c.Pos, r.Pos, c.S, r.S,
                               And ? StretchMode::BLACKONWHITE : StretchMode::WHITEONBLACK);
                    for (int32_t y = 0; y < r.D; ++y)
                        for (int32_t x = 0; x < c.D; ++x) {
                            const auto [x0, x1] = runOf(x, c.Pos, c.S, c.D, kWidth);
                            const auto [y0, y1] = runOf(y, r.Pos, r.S, r.D, kHeight);
                            const uint32_t bits = ((1u << x1) - (1u << x0)) | ((1u << (16 + y1)) - (1u << (16 + y0)));
                            ASSERT_EQ(target.GetPixel(x, y), TColor(And ? ~bits & 0xFFFFFF : bits))
                                << (And ? "AND" : "OR") << " " << BitsPerPixel(format) << " bits, " << c.D << "x"
                                << r.D << " at " << x << "," << y;
                        }
                }
        }
}

TEST(Canvas, NewCanvasStretchesInBlackOnWhite)
{
    Bitmap b(2, 2, PixelFormat::pf32bit);
    EXPECT_EQ(b.GetCanvas().GetStretchBltMode(), StretchMode::BLACKONWHITE);
}

TEST(Canvas, SelectedClipRegionIsACopyAndNoneRemovesIt)
{
    Bitmap b(10, 10, PixelFormat::pf32bit);
    Canvas& c = b.GetCanvas();
    Region region = Region::CreateRectRgn(0, 0, 5, 5);
    c.SelectClipRgn(&region);
    region = Region::CreateRectRgn(0, 0, 10, 10); // must not widen the canvas's clip
    c.Brush.Color = clWhite;
    c.FillRect({0, 0, 10, 10});
    EXPECT_EQ(b.GetPixel(4, 4), clWhite);
    EXPECT_EQ(b.GetPixel(5, 5), clBlack);
    c.SelectClipRgn(nullptr);
    c.FillRect({0, 0, 10, 10});
    EXPECT_EQ(b.GetPixel(9, 9), clWhite);
}

TEST(Canvas, ClipRegionLimitsDrawAndStretch)
{
    Bitmap target(8, 8, PixelFormat::pf32bit);
    Bitmap white(8, 8, PixelFormat::pf32bit);
    white.GetCanvas().Brush.Color = clWhite;
    white.GetCanvas().FillRect({0, 0, 8, 8});
    Canvas& c = target.GetCanvas();
    Region diagonal = Region::CreateRectRgn(0, 0, 2, 2);
    diagonal.Combine(diagonal, Region::CreateRectRgn(6, 6, 8, 8), CombineMode::Or);
    c.SelectClipRgn(&diagonal);
    c.Draw(0, 0, white);
    EXPECT_EQ(target.GetPixel(1, 1), clWhite);
    EXPECT_EQ(target.GetPixel(7, 7), clWhite);
    EXPECT_EQ(target.GetPixel(4, 4), clBlack);
    c.StretchDraw({0, 0, 8, 8}, white);
    EXPECT_EQ(target.GetPixel(4, 4), clBlack);
}

TEST(Canvas, ClearBrushFillsNothing)
{
    Bitmap b(4, 4, PixelFormat::pf24bit);
    b.GetCanvas().Brush = {clWhite, BrushStyle::bsClear};
    b.GetCanvas().FillRect({0, 0, 4, 4});
    EXPECT_EQ(b.GetPixel(0, 0), clBlack);
}

TEST(Canvas, LockIsRecursiveAndExcludesOtherThreads)
{
    Bitmap b(1, 1);
    Canvas& c = b.GetCanvas();
    CanvasLock outer(c);
    ASSERT_TRUE(c.TryLock()); // the same thread again
    bool otherGotIt = true;
    std::thread other([&] {
        otherGotIt = c.TryLock();
        if (otherGotIt)
            c.Unlock();
    });
    other.join();
    EXPECT_FALSE(otherGotIt);
    c.Unlock();
}

// The vector gathers do eight pixels at a time and leave the rest to the
// one-by-one loops: counts on both sides of each multiple of eight must give
// what the one-by-one loops give, indices anywhere in the row.
TEST(PixelGather, VectorsAndTheirRemaindersMatchTheScalarLoops)
{
    std::mt19937 random(7);
    std::vector<uint32_t> row(64);
    for (uint32_t& p : row)
        p = uint32_t(random());
    for (const size_t count : {size_t{0}, size_t{7}, size_t{8}, size_t{9}, size_t{16}, size_t{23}}) {
        std::vector<int32_t> low(count), high(count);
        for (size_t i = 0; i < count; ++i) {
            low[i] = int32_t(random() % row.size());
            high[i] = int32_t(random() % row.size());
        }
        std::vector<uint32_t> fast(count + 1, 0xABCDEF01u), slow(fast);
        GatherPixels(fast.data(), row.data(), PixelPicks(low, row.size()));
        GatherPixelsScalar(slow.data(), row.data(), low.data(), count);
        EXPECT_EQ(fast, slow) << count << " pixels gathered";
        for (const bool And : {true, false}) {
            CombinePixelPairs(fast.data(), row.data(), PixelPicks(low, row.size()), PixelPicks(high, row.size()), And,
                              row.data() + row.size());
            CombinePixelPairsScalar(slow.data(), row.data(), low.data(), high.data(), count, And);
            EXPECT_EQ(fast, slow) << count << " pixels combined, " << (And ? "AND" : "OR");
        }
        // Nothing beyond the count is written.
        EXPECT_EQ(fast.back(), 0xABCDEF01u);
        // A rotation's walk over a 64x64 picture, rising and falling steps
        // of fractional pixels, from a base row inside it.
        std::vector<uint32_t> picture(64 * 64);
        for (uint32_t& p : picture)
            p = uint32_t(random());
        for (const auto& [a, stepA, stepB] : {std::tuple{3 * 65536 + 12345, 40000, 50000},
                                              std::tuple{60 * 65536 + 7, -2 * 65536 + 3, 65536 + 999}}) {
            GatherRotatedPixels(fast.data(), picture.data(), 64 * 5 + 1, 64, a, 2 * 65536, stepA, stepB, count);
            GatherRotatedPixelsScalar(slow.data(), picture.data(), 64 * 5 + 1, 64, a, 2 * 65536, stepA, stepB, count);
            EXPECT_EQ(fast, slow) << count << " pixels of a rotation, step " << stepA;
        }
    }
}

// Eight picks lying within 8, 16 or 32 pixels are permuted out of whole
// vectors of the row: spans on both sides of each window size, rising and
// falling (mirrored), from the row's start and up to its last pixel (where
// the window must start early), give the one-by-one loop's pixels.
TEST(PixelGather, PicksCloseTogetherMatchTheScalarLoop)
{
    std::vector<uint32_t> row(64);
    for (size_t i = 0; i < row.size(); ++i)
        row[i] = uint32_t(i * 0x01020304u + 0x55);
    for (const int32_t span : {0, 7, 8, 15, 16, 31, 32, 33})
        for (const bool falling : {false, true})
            for (const bool atEnd : {false, true}) {
                // Nine picks: a whole group and one left for the scalar loop.
                std::vector<int32_t> index;
                const int32_t first = atEnd ? int32_t(row.size()) - 1 - span : 0;
                for (int32_t i = 0; i < 9; ++i)
                    index.push_back(first + std::min(i, 7) * span / 7);
                if (falling)
                    std::reverse(index.begin(), index.begin() + 8);
                std::vector<uint32_t> fast(index.size()), slow(index.size());
                GatherPixels(fast.data(), row.data(), PixelPicks(index, row.size()));
                GatherPixelsScalar(slow.data(), row.data(), index.data(), index.size());
                EXPECT_EQ(fast, slow) << "span " << span << (falling ? " falling" : " rising")
                                      << (atEnd ? " at the row's end" : "");
            }
}
