// The region builders and the worked examples of the region styles, checked
// as pixel masks of real frames or as regions.

#include "RegionTestSupport.h"
#include "core/Random.h"
#include "transitions/effects/RegionEffects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

using namespace saver;
using namespace saver::test;
using enum saver::ShredKind;

namespace {

bool Even(int32_t v) { return v % 10 < 5; }
double Sq(double v) { return v * v; }

// The jitter terms r1 - r2 the generator gives from `seed`, in order.
std::vector<int32_t> Jitters(uint32_t seed, int32_t J, size_t count)
{
    SetRandSeed(seed);
    std::vector<int32_t> terms;
    for (size_t i = 0; i < count; ++i) {
        const int32_t r1 = Random(J);
        terms.push_back(r1 - Random(J));
    }
    return terms;
}

uint32_t SeedAfter(uint32_t seed, size_t draws)
{
    (void)Jitters(seed, 0, draws / 2);
    return RandSeed();
}

Region ShredFrom(uint32_t seed, int32_t X, int32_t Y, int32_t W, int32_t H, ShredKind horz, ShredKind vert)
{
    SetRandSeed(seed);
    return CreateShredRegion(X, Y, W, H, horz, vert);
}

// Row y of a region, or the expected one, as pixels [0, width).
std::vector<bool> RowOf(const Region& region, int32_t y, int32_t width)
{
    std::vector<bool> row;
    for (int32_t x = 0; x < width; ++x)
        row.push_back(region.Contains({x, y}));
    return row;
}

// [a, b) put in order, or the union of two such.
std::vector<bool> Span(int64_t a, int64_t b, int32_t width, int64_t c = 0, int64_t d = 0)
{
    std::vector<bool> row;
    for (int64_t x = 0; x < width; ++x)
        row.push_back((x >= std::min(a, b) && x < std::max(a, b)) || (x >= std::min(c, d) && x < std::max(c, d)));
    return row;
}

} // namespace

TEST(RegionStyles, WorkedExamplesCoverExactlyTheirPixels)
{
    struct Case {
        const char* What;
        TShowStyle Style;
        int32_t W, H;
        uint32_t Progress;
        bool (*Expected)(int32_t x, int32_t y);
    };
    // 400 x 300 at Step 4: StepLength 18; bar extents are 2 PW (or 2 PH).
    const Case cases[] = {
        {"bars from right, extent 200", 60, 400, 300, 25, [](int32_t x, int32_t y) { return Even(y) && x >= 200; }},
        {"bars from right, 384 + 18 > 400 snaps", 60, 400, 300, 48, [](int32_t, int32_t y) { return Even(y); }},
        {"odd bars from 200", 60, 400, 300, 75, [](int32_t x, int32_t y) { return Even(y) || x >= 200; }},
        // Bars run while y < H + 5: the even bar of rows 20 to 24 shows.
        {"bars below the last row", 60, 400, 23, 75, [](int32_t x, int32_t y) { return Even(y) || x >= 200; }},
        {"left then right, first", 62, 400, 300, 25, [](int32_t x, int32_t y) { return Even(y) && x < 200; }},
        {"left then right, second", 62, 400, 300, 75, [](int32_t x, int32_t y) { return Even(y) || x >= 200; }},
        {"right then left, first", 63, 400, 300, 25, [](int32_t x, int32_t y) { return Even(y) && x >= 200; }},
        {"right then left, second", 63, 400, 300, 75, [](int32_t x, int32_t y) { return Even(y) || x < 200; }},
        {"columns from bottom", 71, 400, 300, 25, [](int32_t x, int32_t y) { return Even(x) && y >= 150; }},
        // Single-phase styles never snap: extent 396, the last 4 pixels wait.
        {"both sides at 99", 64, 400, 300, 99, [](int32_t x, int32_t y) { return Even(y) ? x >= 4 : x < 396; }},
        // Both criss-cross patterns meet only where even bars cross even
        // columns, top right and bottom left.
        {"criss-cross bottom left top right", 99, 400, 300, 25,
         [](int32_t x, int32_t y) { return Even(x) && Even(y) && ((x >= 200) == (y < 150)); }},
        // (0, 0), (400, 0), (0, 300): pixel corners inside, the long side out.
        {"diagonal from top left", 110, 400, 300, 50, [](int32_t x, int32_t y) { return 3 * x + 4 * y < 1200; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        ExpectMask(RevealMask(c.Style, c.W, c.H, c.Progress), c.Expected);
    }
    // The snap takes an extent more than Snap short of the width only.
    constexpr auto fromRight = BarsKind::FromEnd, noColumns = BarsKind::None;
    EXPECT_EQ(CreateBarsRegion(382, 0, 400, 5, 18, fromRight, noColumns), Region::CreateRectRgn(18, 0, 400, 5));
    EXPECT_EQ(CreateBarsRegion(383, 0, 400, 5, 18, fromRight, noColumns), Region::CreateRectRgn(0, 0, 400, 5));
}

TEST(RegionStyles, MirroredStylesAreMirrorImages)
{
    // 205 x 155 keeps bars and columns on their parity under mirroring.
    // Shapes may differ within 2 pixels of their outline (edges on the right
    // and bottom are left out, pixels are sampled at their top-left corner).
    enum Turn { MirrorX, MirrorY, MirrorXY, Transpose };
    const std::tuple<TShowStyle, TShowStyle, Turn> pairs[] = {
        {58, 59, MirrorX},    {58, 69, Transpose},  {69, 70, MirrorY},    {80, 81, MirrorX},   {80, 82, MirrorY},
        {60, 61, MirrorX},    {62, 63, MirrorX},    {60, 71, Transpose},  {61, 72, Transpose}, {62, 73, Transpose},
        {63, 74, Transpose},  {64, 75, Transpose},  {86, 87, MirrorY},    {86, 88, MirrorX},   {86, 89, MirrorXY},
        {90, 91, MirrorY},    {90, 92, MirrorX},    {90, 93, MirrorXY},   {94, 95, MirrorX},   {94, 96, Transpose},
        {96, 97, MirrorY},    {110, 111, MirrorX},  {110, 112, MirrorY},  {110, 113, MirrorXY}, {114, 115, Transpose}};
    for (const auto& [from, to, turn] : pairs)
        for (const uint32_t progress : {30u, 80u}) {
            SCOPED_TRACE(testing::Message() << unsigned(from) << " to " << unsigned(to) << " at " << progress);
            const Mask a = RevealMask(from, 205, 155, progress);
            const Mask b = turn == Transpose ? RevealMask(to, 155, 205, progress) : RevealMask(to, 205, 155, progress);
            const auto mirrored = [&](int32_t x, int32_t y) {
                if (turn == Transpose)
                    std::swap(x, y);
                if (turn == MirrorX || turn == MirrorXY)
                    x = a.Width - 1 - x;
                if (turn == MirrorY || turn == MirrorXY)
                    y = a.Height - 1 - y;
                return a.At(std::clamp(x, 0, a.Width - 1), std::clamp(y, 0, a.Height - 1));
            };
            int failures = 0;
            for (int32_t y = 0; y < b.Height; ++y)
                for (int32_t x = 0; x < b.Width; ++x) {
                    bool nearOutline = false;
                    for (int32_t d = 0; d < 25; ++d)
                        nearOutline = nearOutline || mirrored(x + d % 5 - 2, y + d / 5 - 2) != mirrored(x, y);
                    if (b.At(x, y) != mirrored(x, y) && !nearOutline && failures++ < 3)
                        ADD_FAILURE() << "pixel (" << x << ", " << y << ")";
                }
        }
}

TEST(RegionStyles, CurvedOutlines)
{
    // From left, 200 x 400 at 50 (tip at 2 PW = 200): the 400 x 400 corner
    // ellipse is not clamped, so quarter-circles of radius 200 about (0, 195)
    // and (0, 205) are joined by a straight piece.
    ExpectShape(RevealMask(58, 200, 400, 50), [](double x, double y) {
        return y < 195 ? std::hypot(x, y - 195) < 200 : y > 205 ? std::hypot(x, y - 205) < 200 : x < 200;
    });
    // From left, 400 x 300 at 50: the height is clamped to H + 10, leaving a
    // half-ellipse with semi-axes 400 and 155 about (0, 150); its tip touches
    // the right edge, its ends on the top and bottom rows near x = 100.
    const Mask landscape = RevealMask(58, 400, 300, 50);
    ExpectShape(landscape, [](double x, double y) { return Sq(x / 400) + Sq((y - 150) / 155) < 1; });
    EXPECT_TRUE(landscape.At(396, 150) && landscape.At(90, 0) && landscape.At(90, 299));
    EXPECT_FALSE(landscape.At(115, 0) || landscape.At(115, 299));
    // 400 x 200 at 50 (PW 200, PH 100): from the bottom right a circle of
    // radius H = 200 about (200, 200); from the bottom left a quarter-ellipse
    // with semi-axes 400 and 200 about (0, 200).
    ExpectShape(RevealMask(83, 400, 200, 50),
                [](double x, double y) { return x >= 200 || std::hypot(x - 200, y - 200) < 200; });
    ExpectShape(RevealMask(82, 400, 200, 50),
                [](double x, double y) { return Sq(x / 400) + Sq((y - 200) / 200) < 1; });
}

TEST(RegionStyles, CircularRevealsStartAndEndWhole)
{
    // To centre at 1: the shrinking shape still holds every pixel.
    EXPECT_EQ(RevealMask(85, 400, 300, 1).Count(), 0u);
    const Mask closing = RevealMask(85, 400, 300, 50), opening = RevealMask(84, 400, 300, 50);
    EXPECT_TRUE(closing.At(0, 0) && closing.At(399, 299) && !closing.At(200, 150));
    EXPECT_TRUE(!opening.At(0, 0) && !opening.At(399, 299) && opening.At(200, 150));
    // From centre covers the picture from about 68 on.
    EXPECT_EQ(RevealMask(84, 400, 300, 70).Count(), 400u * 300u);
}

TEST(RegionStyles, StarburstWedgesEndHalfwayAlongEachEdge)
{
    // At 50 the wedges, started clockwise from the corners, end at (0, 150),
    // (200, 0), (200, 300) and (400, 150); 3 pixels either side may go
    // either way.
    const Mask m = RevealMask(116, 400, 300, 50);
    for (int32_t x = 3; x < 397; ++x)
        if (std::abs(x - 200) > 3) {
            EXPECT_EQ(m.At(x, 0), x < 200) << "top edge at " << x;
            EXPECT_EQ(m.At(x, 299), x > 200) << "bottom edge at " << x;
        }
    for (int32_t y = 3; y < 297; ++y)
        if (std::abs(y - 150) > 3) {
            EXPECT_EQ(m.At(0, y), y > 150) << "left edge at " << y;
            EXPECT_EQ(m.At(399, y), y < 150) << "right edge at " << y;
        }
}

TEST(RegionStyles, TriangularShredIsTheUnionOfItsGrid)
{
    // 400 x 300 at Step 4: N 9, 44 x 33 cells. 44 x 30 at Step 1 has
    // StepLength 0 and draws as for StepLength 1: one cell, triangles at the
    // four corners. 60 x 40 at Step 100: N 33, one-pixel cells.
    const std::tuple<int32_t, int32_t, uint32_t, uint32_t> cases[] = {
        {400, 300, 4, 30}, {400, 300, 4, 50}, {400, 300, 4, 95}, {300, 400, 7, 60},
        {44, 30, 1, 50},   {60, 40, 100, 99}, {3, 1, 4, 99}};
    for (const auto& [w, h, step, progress] : cases) {
        SCOPED_TRACE(testing::Message() << w << 'x' << h << " step " << step << " progress " << progress);
        const ProgressMetrics m = CalcProgressMetrics({0, 0, w, h}, step, progress);
        const int32_t n = std::max(m.StepLength > 1 ? m.StepLength / 2 : m.StepLength, 1);
        const int32_t pw = m.ProgressWidth / n, ph = m.ProgressHeight / n, cw = w / n, ch = h / n;
        Region expected;
        for (int32_t r = n; r >= 0; --r)
            for (int32_t c = n; c >= 0; --c)
                expected.Combine(expected,
                                 CreateTriangleRegion(c * cw - pw, r * ch - ph, c * cw + pw, r * ch - ph, c * cw - pw,
                                                      r * ch + ph),
                                 CombineMode::Or);
        const Region region = DiagonalRegion(117, m);
        EXPECT_TRUE(region.IsValid());
        EXPECT_EQ(region, expected);
    }
    EXPECT_GT(RevealMask(117, 44, 30, 50, 1).Count(), 0u) << "StepLength 0 still draws";
}

TEST(BarAndShredBuilders, ColumnsAreRowsTurnedAndBothPartsUnite)
{
    constexpr auto noBars = BarsKind::None;
    constexpr auto noShreds = ShredKind::None;
    for (int32_t code = 0; code <= 6; ++code)
        for (const int32_t extent : {0, 37, 150, 282, 300, 301, 450, 600}) {
            SCOPED_TRACE(testing::Message() << "kind " << code << " extent " << extent);
            const auto kind = BarsKind(code);
            const Region columns = CreateBarsRegion(0, extent, 400, 300, 18, noBars, kind);
            EXPECT_EQ(columns, Transposed(CreateBarsRegion(extent, 0, 300, 400, 18, kind, noBars)));
            Region both;
            both.Combine(CreateBarsRegion(2 * extent, 0, 400, 300, 18, kind, noBars), columns, CombineMode::Or);
            EXPECT_EQ(CreateBarsRegion(2 * extent, extent, 400, 300, 18, kind, kind), both);
            if (code >= 1 && code <= 4 && extent <= 170) {
                const auto shreds = ShredKind(code);
                EXPECT_EQ(ShredFrom(31, 0, extent, 230, 170, noShreds, shreds),
                          Transposed(ShredFrom(31, extent, 0, 170, 230, shreds, noShreds)));
            }
        }
    EXPECT_TRUE(CreateBarsRegion(600, 450, 400, 300, 18, noBars, BarsKind(6)).IsEmpty())
        << "kinds beyond 5 add nothing";
}

TEST(CreateShredRegion, StripsOfA23PixelPictureAre8RowsOnA5RowPitch)
{
    // Kind 2 reaches X + r1 - r2 on each row of a strip; strips start every
    // 5 rows and are 5 + 23 mod 5 = 8 high, so where two overlap the farther
    // edge shows. Swapped draws would negate every term.
    for (const uint32_t seed : {1u, 99u, 123456u}) {
        const std::vector<int32_t> jitter = Jitters(seed, 100 / 7, 5);
        const Region region = ShredFrom(seed, 40, 0, 100, 23, FromStart, None);
        EXPECT_EQ(region.Box().Bottom, 28) << "the last strip, rows 20 to 27";
        for (int32_t y = 0; y < 28; ++y) {
            int32_t edge = 0;
            for (int32_t strip = 0; strip < 5; ++strip)
                if (y >= 5 * strip && y < 5 * strip + 8)
                    edge = std::max(edge, 40 + jitter[size_t(strip)]);
            EXPECT_EQ(RowOf(region, y, 100), Span(0, edge, 100)) << "seed " << seed << " row " << y;
        }
    }
}

TEST(CreateShredRegion, JitterOfA700PixelWidePictureIsUpTo99EitherWay)
{
    // 200 strips that do not overlap (1000 mod 5 = 0), 30 frames.
    int32_t low = 0, high = 0;
    for (uint32_t seed = 1; seed <= 30; ++seed) {
        const Region region = ShredFrom(seed, 350, 0, 700, 1000, FromStart, None);
        for (int32_t y = 0; y < 1000; y += 5) {
            const auto band = std::find_if(region.Rects().begin(), region.Rects().end(),
                                           [y](const Rect& r) { return r.Top <= y && y < r.Bottom; });
            ASSERT_NE(band, region.Rects().end());
            low = std::min(low, band->Right - 350);
            high = std::max(high, band->Right - 350);
        }
    }
    EXPECT_TRUE(low >= -99 && low <= -90) << low;
    EXPECT_TRUE(high <= 99 && high >= 90) << high;
    // From the full width on the edge is exact, yet every strip still draws.
    EXPECT_EQ(ShredFrom(5, 700, 0, 700, 1000, FromStart, None), Region::CreateRectRgn(0, 0, 700, 1000));
    const uint32_t after = RandSeed();
    EXPECT_EQ(after, SeedAfter(5, 2 * 200));
}

TEST(CreateShredRegion, CentreKindsMirrorPiecesThatCrossTheLine)
{
    // One strip of a 700-pixel row, extent 20 against a jitter of up to 99:
    // an outer end that falls beyond x = 350 gives a piece from the line to
    // that end, on the other side.
    bool crossed = false, notCrossed = false;
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        const std::vector<int32_t> d = Jitters(seed, 100, 2);
        const int32_t leftEnd = (680 + d[0]) / 2, rightEnd = (720 + d[1]) / 2;
        (leftEnd > 350 || rightEnd < 350 ? crossed : notCrossed) = true;
        const Region out = ShredFrom(seed, 20, 0, 700, 5, OutFromMiddle, None);
        const Region in = ShredFrom(seed, 20, 0, 700, 5, InToMiddle, None);
        EXPECT_EQ(out.Box().Bottom, 5);
        for (int32_t y = 0; y < 5; ++y) {
            EXPECT_EQ(RowOf(out, y, 700), Span(leftEnd, 350, 700, 350, rightEnd)) << "out, seed " << seed;
            EXPECT_EQ(RowOf(in, y, 700), Span(700 - (20 + d[0]) / 2, 700, 700, 0, (20 + d[1]) / 2))
                << "in, seed " << seed;
        }
    }
    EXPECT_TRUE(crossed && notCrossed);
}

TEST(CreateShredRegion, DrawsRowsFirstThenColumnsAndRepeatsForASeed)
{
    // 230 x 170: 34 row strips, 46 column strips.
    const Region both = ShredFrom(77, 100, 60, 230, 170, FromEnd, FromStart);
    const uint32_t after = RandSeed();
    const Region rows = ShredFrom(77, 100, 60, 230, 170, FromEnd, None);
    const Region columns = CreateShredRegion(100, 60, 230, 170, None, FromStart); // continues the sequence
    EXPECT_EQ(RandSeed(), after);
    EXPECT_EQ(after, SeedAfter(77, 2 * 34 + 2 * 46));
    Region united;
    united.Combine(rows, columns, CombineMode::Or);
    EXPECT_EQ(both, united);
    EXPECT_EQ(ShredFrom(77, 100, 60, 230, 170, FromEnd, FromStart), both) << "the same seed, the same region";
    EXPECT_NE(ShredFrom(78, 100, 60, 230, 170, FromEnd, FromStart), both) << "another seed, another region";
    // Two pieces a strip take four numbers; kind 0 takes none.
    (void)ShredFrom(9, 100, 60, 230, 170, OutFromMiddle, InToMiddle);
    EXPECT_EQ(RandSeed(), SeedAfter(9, 4 * 34 + 4 * 46));
    (void)ShredFrom(9, 100, 60, 230, 170, None, None);
    EXPECT_EQ(RandSeed(), 9u);
}
