// Diagonal reveals, diagonal sweeps, the starburst and the triangular shred:
// regions made of triangles.

#include "transitions/effects/RegionEffects.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <initializer_list>

namespace saver {
namespace {

using namespace lengths;

struct FramePoint {
    FrameLength X, Y;
};

struct Triangle {
    FramePoint A, B, C;
};

// Up to four triangles, united.
struct TrianglesRow {
    constexpr TrianglesRow(TShowStyle style, std::initializer_list<Triangle> triangles)
        : Style(style), Count(triangles.size())
    {
        std::copy(triangles.begin(), triangles.end(), Triangles.begin());
    }
    TShowStyle Style;
    size_t Count;
    std::array<Triangle, 4> Triangles{};
};

constexpr FramePoint kCentre{HalfW, HalfH};

constexpr TrianglesRow kRows[] = {
    // Reveal diagonal from a corner: the right angle at the corner, legs 2 PW
    // and 2 PH, so the long side passes the neighbouring corners at 50.
    {110, {{{0, 0}, {2 * PW, 0}, {0, 2 * PH}}}},         // from top left
    {111, {{{W, 0}, {W - 2 * PW, 0}, {W, 2 * PH}}}},     // from top right
    {112, {{{0, H}, {2 * PW, H}, {0, H - 2 * PH}}}},     // from bottom left
    {113, {{{W, H}, {W - 2 * PW, H}, {W, H - 2 * PH}}}}, // from bottom right
    // Diagonal sweeps: two sides turning about the top-left and bottom-right
    // corners toward the main diagonal.
    {114, {{{0, H}, {0, 0}, {PW, H}}, {{W, H}, {W, 0}, {W - PW, 0}}}}, // anticlockwise
    {115, {{{W, 0}, {0, 0}, {W, PH}}, {{W, H}, {0, H}, {0, H - PH}}}}, // clockwise
    // Starburst clockwise from center: four wedges from the centre, each
    // sweeping along one edge from a corner.
    {116,
     {{kCentre, {0, H}, {0, H - PH}},
      {{0, 0}, {PW, 0}, kCentre},
      {{W - PW, H}, kCentre, {W, H}},
      {kCentre, {W, 0}, {W, PH}}}},
};

constexpr TShowStyle kTriangularShredStyle = 117;

int32_t At(const FrameLength& length, const ProgressMetrics& m) { return int32_t(length(m)); }

Region TrianglesRegion(const TrianglesRow& row, const ProgressMetrics& m)
{
    Region region;
    for (size_t i = 0; i < row.Count; ++i) {
        const Triangle& t = row.Triangles[i];
        region.Combine(region,
                       CreateTriangleRegion(At(t.A.X, m), At(t.A.Y, m), At(t.B.X, m), At(t.B.Y, m), At(t.C.X, m),
                                            At(t.C.Y, m)),
                       CombineMode::Or);
    }
    return region;
}

// Triangular shred to top left: on an (N + 1) x (N + 1) grid of points
// (c W', r H'), a right triangle at each, legs 2 PW' right and 2 PH' down
// from (c W' - PW', r H' - PH'). All triangles are the same tile moved by
// whole pixels, so the tile is rasterised once and the union is assembled
// scanline by scanline from its rows.
Region TriangularShredRegion(const ProgressMetrics& m)
{
    // N is StepLength div 2, or StepLength itself below 2. StepLength is 0
    // when the longer side times Step is below 45; the grid would then
    // divide by zero, so it is drawn as for StepLength 1: a single cell.
    int32_t n = m.StepLength > 1 ? m.StepLength / 2 : m.StepLength;
    n = std::max(n, 1);
    const int32_t pw = m.ProgressWidth / n, ph = m.ProgressHeight / n;
    const int32_t cellW = m.FullWidth / n, cellH = m.FullHeight / n;
    const Region tile = CreateTriangleRegion(-pw, -ph, pw, -ph, -pw, ph);
    if (tile.IsEmpty())
        return tile;

    // Grid rows or columns 0 apart all coincide: one of them stands for all.
    const int32_t rows = cellH > 0 ? n + 1 : 1, columns = cellW > 0 ? n + 1 : 1;
    // Each row of the tile is one span starting on its vertical leg at
    // -pw, so the tiles of a column that meet a scanline differ only in
    // where they end: the longest one covers the others.
    const int32_t tileTop = tile.Box().Top, tileHeight = tile.Box().Height();
    const int32_t firstY = tileTop, lastY = (rows - 1) * cellH + tileTop + tileHeight;
    std::vector<int32_t> right(size_t(lastY - firstY), -pw); // -pw: no tile there
    for (const Rect& band : tile.Rects()) {
        assert(band.Left == -pw);
        for (int32_t r = 0; r < rows; ++r)
            for (int32_t y = band.Top; y < band.Bottom; ++y) {
                int32_t& end = right[size_t(r * cellH + y - firstY)];
                end = std::max(end, band.Right);
            }
    }

    Region::Builder builder;
    std::vector<Region::Span> spans;
    for (int32_t y = firstY; y < lastY; ++y) {
        const int32_t end = right[size_t(y - firstY)];
        spans.clear();
        if (end - -pw >= cellW || columns == 1) {
            // Neighbouring tiles touch or overlap: one run across the row.
            spans.push_back({-pw, (columns - 1) * cellW + end});
        } else {
            for (int32_t c = 0; c < columns; ++c)
                spans.push_back({c * cellW - pw, c * cellW + end});
        }
        builder.AddBand(y, y + 1, spans);
    }
    return builder.Finish();
}

} // namespace

Region CreateTriangleRegion(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3)
{
    const std::array<Point, 3> points{{{X1, Y1}, {X2, Y2}, {X3, Y3}}};
    return Region::CreatePolygonRgn(points, PolyFillMode::Winding);
}

Region DiagonalRegion(TShowStyle style, const ProgressMetrics& m)
{
    if (style == kTriangularShredStyle)
        return TriangularShredRegion(m);
    const TrianglesRow* row = FindStyleRow(kRows, style);
    return row ? TrianglesRegion(*row, m) : Region();
}

} // namespace saver
