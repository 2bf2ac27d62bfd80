// Region speed as the transition effects use regions: every frame unions a
// few thousand small rectangles one at a time (speckle), builds polygon
// unions (triangular shred), builds and intersects criss-cross patterns of
// tens of thousands of rectangles, and fills a full-HD frame through a region.
// Our union is timed beside pixman's doing the same work, and the ratio is
// printed at the end.

#include "core/FrameMemory.h"
#include "gdi/Bitmap.h"
#include "gdi/Canvas.h"
#include "gdi/Region.h"

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

using namespace saver;

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

// 2,000 random small squares over a full-HD frame, fixed seed.
const std::vector<Rect>& SmallRects()
{
    static const std::vector<Rect> rects = [] {
        std::mt19937 random(1234);
        std::uniform_int_distribution<int> x(0, kWidth - 32), y(0, kHeight - 32), size(4, 32);
        std::vector<Rect> out;
        for (int i = 0; i < 2000; ++i) {
            const int left = x(random), top = y(random), s = size(random);
            out.push_back({left, top, left + s, top + s});
        }
        return out;
    }();
    return rects;
}

Region OurUnion()
{
    Region region;
    for (const Rect& r : SmallRects())
        region.Combine(region, Region(r), CombineMode::Or);
    return region;
}

void PixmanUnion(pixman_region32_t* region)
{
    pixman_region32_init(region);
    for (const Rect& r : SmallRects()) {
        pixman_region32_t box;
        pixman_region32_init_rect(&box, r.Left, r.Top, unsigned(r.Width()), unsigned(r.Height()));
        pixman_region32_union(region, region, &box);
        pixman_region32_fini(&box);
    }
}

void BM_UnionOf2000Rects_Ours(benchmark::State& state)
{
    for (auto _ : state) {
        Region region = OurUnion();
        benchmark::DoNotOptimize(region);
    }
}
BENCHMARK(BM_UnionOf2000Rects_Ours)->Unit(benchmark::kMicrosecond);

void BM_UnionOf2000Rects_Pixman(benchmark::State& state)
{
    for (auto _ : state) {
        pixman_region32_t region;
        PixmanUnion(&region);
        benchmark::DoNotOptimize(pixman_region32_n_rects(&region));
        pixman_region32_fini(&region);
    }
}
BENCHMARK(BM_UnionOf2000Rects_Pixman)->Unit(benchmark::kMicrosecond);

// A triangular shred: 1,000 triangles over the frame, united as WINDING
// polygons one at a time.
void BM_UnionOf1000Triangles(benchmark::State& state)
{
    std::mt19937 random(99);
    std::uniform_int_distribution<int> x(0, kWidth), y(0, kHeight), d(-40, 40);
    std::vector<std::array<Point, 3>> triangles;
    for (int i = 0; i < 1000; ++i) {
        const Point a{x(random), y(random)};
        triangles.push_back({a, a.Translated(d(random), d(random)), a.Translated(d(random), d(random))});
    }
    for (auto _ : state) {
        Region region;
        for (const auto& t : triangles)
            region.Combine(region, Region::CreatePolygonRgn(t, PolyFillMode::Winding), CombineMode::Or);
        benchmark::DoNotOptimize(region);
    }
}
BENCHMARK(BM_UnionOf1000Triangles)->Unit(benchmark::kMicrosecond);

void BM_FillFullHdThrough2000RectClip(benchmark::State& state)
{
    Bitmap frame(kWidth, kHeight, PixelFormat::pf32bit);
    const Region clip = OurUnion();
    Canvas& canvas = frame.GetCanvas();
    canvas.SelectClipRgn(&clip);
    canvas.Brush.Color = clWhite;
    for (auto _ : state)
        canvas.FillRect({0, 0, kWidth, kHeight});
}
BENCHMARK(BM_FillFullHdThrough2000RectClip)->Unit(benchmark::kMicrosecond);

// Criss-cross: bars 5 pixels thick on a 10-pixel pitch over a 3840x2160
// frame, rows reaching three quarters of the width united with columns
// reaching three quarters of the height, from one corner; about 80,000
// rectangles, as the criss-cross styles build every frame. Style 99 also
// intersects the patterns from two opposite corners.
constexpr int kWide = 3840, kTall = 2160;

std::vector<Rect> CrissCrossRects(bool fromBottomRight)
{
    constexpr int reachX = kWide * 3 / 4, reachY = kTall * 3 / 4;
    std::vector<Rect> rects;
    for (int y = 0; y < kTall; y += 10)
        rects.push_back(fromBottomRight ? Rect{kWide - reachX, y, kWide, y + 5} : Rect{0, y, reachX, y + 5});
    for (int x = 0; x < kWide; x += 10)
        rects.push_back(fromBottomRight ? Rect{x, kTall - reachY, x + 5, kTall} : Rect{x, 0, x + 5, reachY});
    return rects;
}

void BM_CrissCrossFromRects(benchmark::State& state)
{
    const std::vector<Rect> rects = CrissCrossRects(true);
    for (auto _ : state) {
        Region region = Region::FromRects(rects);
        benchmark::DoNotOptimize(region);
    }
    state.counters["rects"] = double(Region::FromRects(rects).Rects().size());
}
BENCHMARK(BM_CrissCrossFromRects)->Unit(benchmark::kMicrosecond);

void BM_CrissCrossIntersection(benchmark::State& state)
{
    const Region a = Region::FromRects(CrissCrossRects(true)), b = Region::FromRects(CrissCrossRects(false));
    for (auto _ : state) {
        Region region;
        region.Combine(a, b, CombineMode::And);
        benchmark::DoNotOptimize(region);
    }
}
BENCHMARK(BM_CrissCrossIntersection)->Unit(benchmark::kMicrosecond);

// Best-of-N wall time of one callable, for the printed ratio.
template <typename F>
double BestSeconds(F&& f, int runs)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    // As the saver does: freed frame-sized memory is kept for the next round.
    KeepFrameMemoryForReuse();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const double ours = BestSeconds([] { benchmark::DoNotOptimize(OurUnion()); }, 30);
    const double theirs = BestSeconds(
        [] {
            pixman_region32_t region;
            PixmanUnion(&region);
            pixman_region32_fini(&region);
        },
        30);
    std::printf("union of 2000 rectangles: ours %.1f us, pixman %.1f us, ratio ours/pixman %.2f\n", ours * 1e6,
                theirs * 1e6, ours / theirs);
    return 0;
}
