// Regions beyond the oracle corpus: canonical form, the combine engine and
// the polygon rule against slow references, offsets, degenerate and absurd
// input.

#include "gdi/RegionTestSupport.h"

#include "core/Error.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <tuple>
#include <vector>

namespace saver {
namespace {

// Regions the tests make pass through here: the invariants must hold.
Region Valid(Region r)
{
    EXPECT_TRUE(r.IsValid()) << r;
    return r;
}

Region Combined(const Region& a, const Region& b, CombineMode mode)
{
    Region r;
    r.Combine(a, b, mode);
    return Valid(std::move(r));
}

Region Polygon(const std::vector<Point>& points, PolyFillMode mode = PolyFillMode::Alternate)
{
    return Valid(Region::CreatePolygonRgn(points, mode));
}

TEST(Region, SameAreaBuiltDifferentlyIsTheSameRegion)
{
    const Region square = Region::CreateRectRgn(7, 7, 2, 2);
    EXPECT_EQ(Polygon({{2, 2}, {7, 2}, {7, 7}, {2, 7}}), square);
    EXPECT_EQ(Polygon({{2, 2}, {2, 7}, {7, 7}, {7, 2}}, PolyFillMode::Winding), square);
    EXPECT_EQ(Combined(Region::CreateRectRgn(4, 2, 7, 7), Region::CreateRectRgn(2, 2, 4, 7), CombineMode::Xor), square);

    const Region frame = Combined(Region::CreateRectRgn(0, 0, 12, 12), Region::CreateRectRgn(2, 2, 10, 10), CombineMode::Diff);
    Region strips = Region::CreateRectRgn(10, 0, 12, 12);
    for (const Rect& r : {Rect{0, 10, 12, 12}, Rect{0, 0, 2, 12}, Rect{0, 0, 12, 2}})
        strips.Combine(strips, Region(r), CombineMode::Or);
    EXPECT_EQ(Valid(strips), frame);
    EXPECT_EQ(frame.Rects().size(), 4u);
}

// Rebuilds a region from its pixels, row by row: with one encoding per area
// this gives back exactly the same rectangles.
Region FromMask(const std::vector<uint8_t>& mask, int32_t size)
{
    Region::Builder builder;
    std::vector<Region::Span> spans;
    for (int32_t y = 0; y < size; ++y, spans.clear()) {
        for (int32_t x = 0; x < size; ++x)
            if (mask[static_cast<size_t>(y) * size + x])
                spans.push_back({x, x + 1});
        builder.AddBand(y, y + 1, spans);
    }
    return builder.Finish();
}

// Random shapes combined at random (in place or not), checked pixel by
// pixel against the operation on the operands' pixels.
TEST(Region, FromRectsMatchesUnitingTheRectanglesOneByOne)
{
    std::mt19937 random(7);
    // Rows few enough to be counted, and far more rows than rectangles.
    std::uniform_int_distribution<int32_t> near(-40, 240), far(-(1 << 20), 1 << 20);
    for (int trial = 0; trial < 20; ++trial) {
        std::uniform_int_distribution<int32_t>& coordinate = trial % 4 == 3 ? far : near;
        std::vector<Rect> rects;
        Region slow;
        for (int i = 0; i < 150; ++i) {
            // Swapped, empty, and far beyond the coordinate space (both clamp).
            int32_t l = coordinate(random), t = coordinate(random), r = coordinate(random), b = coordinate(random);
            if (i % 37 == 0)
                std::tie(l, r) = std::pair(-(1 << 30), 1 << 30);
            if (i % 11 == 0)
                b = t;
            rects.push_back({l, t, r, b});
            slow.Combine(slow, Region::CreateRectRgn(l, t, r, b), CombineMode::Or);
        }
        const Region united = Region::FromRects(rects);
        EXPECT_TRUE(united.IsValid());
        ASSERT_EQ(united, slow) << "trial " << trial;
    }
    EXPECT_TRUE(Region::FromRects({}).IsEmpty());
}

TEST(Region, RectFromCoordinatesOrdersAndLimitsSixtyFourBitCoordinates)
{
    constexpr int32_t limit = Region::kCoordinateLimit;
    EXPECT_EQ(Region::RectFromCoordinates(5, 9, 1, 2), (Rect{1, 2, 5, 9}));
    EXPECT_EQ(Region::RectFromCoordinates(int64_t{1} << 40, -(int64_t{1} << 40), limit - 1, limit + int64_t{1}),
              (Rect{limit - 1, -limit, limit, limit}));
}

TEST(Region, RandomCombinesMatchAPixelReference)
{
    constexpr int32_t kSize = 48;
    std::mt19937 rng(20240611);
    const auto coord = [&] { return std::uniform_int_distribution<int32_t>(1, kSize - 1)(rng); };
    const auto shape = [&]() -> Region {
        std::vector<Point> points(3 + rng() % 7);
        switch (rng() % 4) {
        case 0: return Valid(Region::CreateRectRgn(coord(), coord(), coord(), coord()));
        case 1: return Valid(Region::CreateEllipticRgn(coord(), coord(), coord(), coord()));
        case 2: return Valid(Region::CreateRoundRectRgn(coord(), coord(), coord(), coord(), coord(), coord()));
        }
        for (Point& p : points)
            p = {coord(), coord()};
        return Polygon(points, rng() % 2 ? PolyFillMode::Winding : PolyFillMode::Alternate);
    };
    std::vector<Region> pool(8);
    std::generate(pool.begin(), pool.end(), shape);
    for (int step = 0; step < 400; ++step) {
        const Region& a = pool[rng() % pool.size()];
        const Region b = rng() % 3 ? pool[rng() % pool.size()] : shape();
        const int op = static_cast<int>(rng() % 4);
        const CombineMode mode = std::array{CombineMode::And, CombineMode::Or, CombineMode::Xor, CombineMode::Diff}[op];
        Region result = step % 2 ? a : Region();
        const RegionType type = result.Combine(step % 2 ? result : a, b, mode);
        ASSERT_TRUE(result.IsValid()) << "step " << step << '\n' << result;
        EXPECT_EQ(type, result.Type());

        const auto ma = test::RegionMask(a, kSize, kSize), mb = test::RegionMask(b, kSize, kSize);
        std::vector<uint8_t> expected(ma.size());
        for (size_t i = 0; i < ma.size(); ++i)
            expected[i] = std::array{ma[i] && mb[i], ma[i] || mb[i], ma[i] != mb[i], ma[i] && !mb[i]}[op];
        const auto actual = test::RegionMask(result, kSize, kSize);
        ASSERT_EQ(test::MaskDifference(expected, actual, kSize, kSize), "") << "step " << step << " op " << op;
        ASSERT_EQ(FromMask(actual, kSize), result) << "step " << step;
        pool[rng() % pool.size()] = result;
    }
    Region both = Region::CreateEllipticRgn(0, 0, 9, 9);
    EXPECT_EQ(both.Combine(both, both, CombineMode::Xor), RegionType::Null);
    EXPECT_THROW(both.Combine(pool[0], pool[1], static_cast<CombineMode>(9)), Exception);
}

// Every ellipse has one span a row, symmetric both ways, widening towards
// full-width middle rows, and no empty row unless its width is even. Tall,
// narrow ellipses are where the walk crosses the axis before the tip and
// the rest is completed; the GDI's answers there are unreliable, so only
// this test covers them.
TEST(Region, EllipsesAreConvexAndSymmetric)
{
    for (int32_t w = 2; w <= 24; ++w) {
        for (int32_t h = 2; h <= 400; h += h < 60 ? 1 : 7) {
            const Region e = Valid(Region::CreateEllipticRgn(10, 0, 10 + w + 1, h + 1)); // one pixel short: w x h
            std::vector<Rect> rows(static_cast<size_t>(h));
            for (const Rect& r : e.Rects())
                for (int32_t y = r.Top; y < r.Bottom; ++y)
                    rows.at(y) = r;
            for (int32_t j = 0; j < h; ++j) {
                const Rect& row = rows[j];
                SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " row " + std::to_string(j));
                ASSERT_EQ(row.Width(), rows[h - 1 - j].Width()) << e;
                ASSERT_TRUE(row.IsEmpty() ? w % 2 == 0 : row.Left + row.Right == 2 * 10 + w) << e;
                ASSERT_TRUE(j >= (h - 1) / 2 || row.Width() <= rows[j + 1].Width()) << e;
            }
            ASSERT_EQ(rows[h / 2].Width(), w);
        }
    }
}

TEST(Region, OffsetMovesAndClipsAtTheCoordinateLimit)
{
    const Region shape = Combined(Region::CreateEllipticRgn(0, 0, 40, 30), Region::CreateRectRgn(10, 10, 20, 20), CombineMode::Xor);
    Region moved = shape;
    EXPECT_EQ(OffsetRgn(moved, -7, 5), RegionType::Complex);
    EXPECT_EQ(Valid(moved).Box(), shape.Box().Offsetted(-7, 5));
    moved.Offset(7, -5);
    EXPECT_EQ(moved, shape);

    // Two bands that differ only beyond the limit become one rectangle.
    constexpr int32_t kLimit = Region::kCoordinateLimit;
    Region r = Combined(Region::CreateRectRgn(0, 0, 10, 10), Region::CreateRectRgn(0, 10, 15, 20), CombineMode::Or);
    r.Offset(kLimit - 5, 0);
    EXPECT_EQ(Valid(r), Region::CreateRectRgn(kLimit - 5, 0, kLimit, 20));
    for (int32_t d : {INT32_MAX, INT32_MIN}) {
        Region gone = shape;
        EXPECT_EQ(gone.Offset(0, d), RegionType::Null);
    }
}

TEST(Region, DegenerateInputGivesEmptyOrGdiShapedRegions)
{
    for (PolyFillMode mode : {PolyFillMode::Alternate, PolyFillMode::Winding}) {
        EXPECT_TRUE(Polygon({}, mode).IsEmpty());
        EXPECT_TRUE(Polygon({{1, 1}}, mode).IsEmpty());
        EXPECT_TRUE(Polygon({{1, 1}, {8, 6}}, mode).IsEmpty());
        EXPECT_TRUE(Polygon({{0, 0}, {5, 5}, {10, 10}}, mode).IsEmpty());
    }
    EXPECT_EQ(Region::CreateRectRgn(3, 3, 3, 8).Type(), RegionType::Null);
    EXPECT_EQ(Region(Rect{5, 5, 4, 4}).Type(), RegionType::Null);
    // Under 2 pixels an ellipse is the shortened rectangle put in order:
    // zero height covers the row above.
    EXPECT_EQ(Valid(Region::CreateEllipticRgn(1, 1, 3, 1)), Region::CreateRectRgn(1, 0, 2, 1));
    EXPECT_EQ(Valid(Region::CreateRoundRectRgn(1, 1, 21, 17, INT32_MIN, INT32_MIN)), Region::CreateEllipticRgn(1, 1, 21, 17));

    EXPECT_THROW(Region::CreatePolygonRgn({}, static_cast<PolyFillMode>(0)), Exception);
    EXPECT_THROW(Polygon(std::vector<Point>(Region::kMaxPolygonPoints + 1)), Exception);
    Region::Builder builder;
    builder.AddBand(5, 8, std::vector<Region::Span>{{0, 4}});
    EXPECT_THROW(builder.AddBand(6, 9, std::vector<Region::Span>{{0, 4}}), Exception);
    EXPECT_THROW(builder.AddBand(8, 9, std::vector<Region::Span>{{5, 6}, {0, 4}}), Exception);
    // A refused band leaves nothing of itself behind.
    EXPECT_EQ(Valid(builder.Finish()), Region(Rect{0, 5, 4, 8}));
}

TEST(Region, HugeCoordinatesStayBounded)
{
    constexpr int32_t kLimit = Region::kCoordinateLimit, kShape = Region::kShapeLimit;
    const Rect square{-kShape, -kShape, kShape, kShape};
    EXPECT_EQ(Region::CreateRectRgn(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX).Box(), Rect(-kLimit, -kLimit, kLimit, kLimit));
    const Region triangle = Polygon({{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MIN}, {0, INT32_MAX}});
    EXPECT_EQ(triangle.Box(), square);
    EXPECT_TRUE(triangle.Contains({0, 0}));
    EXPECT_EQ(Valid(Region::CreateRoundRectRgn(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 40, 40)), Region(square));
    EXPECT_TRUE(Valid(Region::CreateEllipticRgn(INT32_MAX - Region::kMaxEllipseSize, 0, INT32_MAX, Region::kMaxEllipseSize)).IsEmpty());
    EXPECT_THROW(Region::CreateEllipticRgn(0, 0, Region::kMaxEllipseSize + 2, 10), Exception);

    // 1000 points, every edge crossing the whole shape square.
    std::vector<Point> zigzag;
    for (int32_t i = 0; i < 1000; ++i)
        zigzag.push_back({i * 60 - 30000, i % 2 ? -1000000000 : 1000000000});
    EXPECT_FALSE(Polygon(zigzag, PolyFillMode::Winding).IsEmpty());
    // As many teeth as allowed, each shifting every 1000 rows: more
    // rectangles than a region may hold, refused before they are stored.
    std::vector<Point> comb;
    for (int32_t i = 0; i < static_cast<int32_t>(Region::kMaxPolygonPoints); ++i)
        comb.push_back({i * 64 - kShape, i % 2 ? -kShape : kShape});
    EXPECT_THROW(Polygon(comb), Exception);
}

// The polygon rule for one pixel: edges crossing row y at or left of x,
// counted exactly.
bool InsidePolygonReference(const std::vector<Point>& points, PolyFillMode mode, int64_t x, int64_t y)
{
    int count = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        Point a = points[i], b = points[(i + 1) % points.size()];
        const int dir = a.Y < b.Y ? 1 : -1;
        if (a.Y > b.Y)
            std::swap(a, b);
        const int64_t dy = int64_t{b.Y} - a.Y;
        if (y >= a.Y && y < b.Y && int64_t{a.X} * dy + (y - a.Y) * (int64_t{b.X} - a.X) <= x * dy)
            count += mode == PolyFillMode::Winding ? dir : 1;
    }
    return mode == PolyFillMode::Winding ? count != 0 : count % 2 != 0;
}

// Large random polygons probed in windows on their edges, where rounding
// matters and the edges' stepping starts part-way down.
TEST(Region, LargePolygonsMatchAnExactPointTest)
{
    std::mt19937 rng(7);
    const auto coord = [&] { return std::uniform_int_distribution<int32_t>(-50000, 50000)(rng); };
    for (int round = 0; round < 60; ++round) {
        std::vector<Point> points(3 + rng() % 8);
        for (Point& p : points)
            p = {coord(), coord()};
        const PolyFillMode mode = round % 2 ? PolyFillMode::Winding : PolyFillMode::Alternate;
        const Region region = Polygon(points, mode);
        for (int probe = 0; probe < 8; ++probe) {
            const size_t i = rng() % points.size();
            const Point a = points[i], b = points[(i + 1) % points.size()];
            const double t = std::uniform_real_distribution<double>(0, 1)(rng);
            const int64_t cx = std::clamp<int64_t>(a.X + static_cast<int64_t>(t * (b.X - a.X)), -32000, 32000);
            const int64_t cy = std::clamp<int64_t>(a.Y + static_cast<int64_t>(t * (b.Y - a.Y)), -32000, 32000);
            for (int64_t y = cy - 16; y < cy + 16; ++y)
                for (int64_t x = cx - 16; x < cx + 16; ++x)
                    ASSERT_EQ(region.Contains({static_cast<int32_t>(x), static_cast<int32_t>(y)}),
                              InsidePolygonReference(points, mode, x, y))
                        << "round " << round << " at (" << x << ',' << y << ')';
        }
    }
}

// Shapes reaching past the shape square are cut there, but exactly: the
// same shape built elsewhere and moved back agrees wherever both were kept.
TEST(Region, ShapesCutAtTheShapeSquareAreExactInside)
{
    constexpr int32_t kShape = Region::kShapeLimit, kShift = 20000;
    const std::function<Region(int32_t)> shapes[] = {
        [](int32_t d) { return Region::CreateEllipticRgn(-60000 + d, -10 + d, 45001 + d, 70000 + d); },
        [](int32_t d) { return Region::CreateRoundRectRgn(-30000 + d, -40000 + d, 40000 + d, 30000 + d, 90001, 50000); },
        [](int32_t d) { return Polygon({{-70000 + d, -50000 + d}, {3 + d, 9 + d}, {41000 + d, -39999 + d}, {5 + d, 60001 + d}}); },
    };
    const Region keep(Rect{-kShape, -kShape, kShape - kShift, kShape - kShift});
    for (const auto& make : shapes) {
        Region moved = make(0);
        moved.Offset(-kShift, -kShift);
        const Region built = Combined(make(-kShift), keep, CombineMode::And);
        EXPECT_FALSE(built.IsEmpty());
        EXPECT_EQ(Combined(moved, keep, CombineMode::And), built);
    }
}

} // namespace
} // namespace saver

namespace saver {
namespace {

// Large regions meet small ones the way the effects build them: one small
// rectangle at a time into a region of many bands. That path splices the
// result into place instead of walking every band; it must give the same
// canonical region as a pixel reference, for every mode that keeps rows.
TEST(Region, SmallIntoLargeCombinesMatchAPixelReference)
{
    constexpr int32_t W = 96, H = 80;
    std::mt19937 random(424242);
    std::uniform_int_distribution<int> pos(-4, W), size(1, 9), modePick(0, 2);
    for (int round = 0; round < 20; ++round) {
        Region region;
        std::vector<uint8_t> reference(size_t(W) * H, 0);
        for (int step = 0; step < 400; ++step) {
            const int32_t l = pos(random), t = pos(random) % H, w = size(random), h = size(random);
            const CombineMode mode = step < 150 ? CombineMode::Or
                                                : std::array{CombineMode::Or, CombineMode::Diff, CombineMode::Xor}[size_t(modePick(random))];
            region.Combine(region, Region::CreateRectRgn(l, t, l + w, t + h), mode);
            for (int32_t y = std::max(t, 0); y < std::min(t + h, H); ++y)
                for (int32_t x = std::max(l, 0); x < std::min(l + w, W); ++x) {
                    uint8_t& p = reference[size_t(y) * W + size_t(x)];
                    p = mode == CombineMode::Or ? 1 : mode == CombineMode::Diff ? 0 : uint8_t(p ^ 1);
                }
            ASSERT_TRUE(region.IsValid()) << "round " << round << " step " << step << "\n" << region;
            ASSERT_EQ(test::MaskDifference(reference, test::RegionMask(region, W, H), W, H), "")
                << "round " << round << " step " << step;
        }
        // One encoding per area: rebuilt from its pixels it compares equal.
        region.Combine(region, Region::CreateRectRgn(0, 0, W, H), CombineMode::And);
        Region rebuilt;
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x)
                if (reference[size_t(y) * W + size_t(x)])
                    rebuilt.Combine(rebuilt, Region::CreateRectRgn(x, y, x + 1, y + 1), CombineMode::Or);
        EXPECT_EQ(region, rebuilt);
        EXPECT_EQ(region.Box(), rebuilt.Box());
    }
}

} // namespace
} // namespace saver
