// Scan conversion of polygons, ellipses and rounded rectangles into regions.
// Each shape produces the spans of one row at a time and hands them to the
// region builder, which merges equal rows into bands.

#include "gdi/Region.h"

#include "core/Error.h"
#include "core/Int128.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>

namespace saver {

namespace {

using Span = Region::Span;
using int128 = Int128;

constexpr int64_t kShapeMin = -Region::kShapeLimit;
constexpr int64_t kShapeMax = Region::kShapeLimit;

int64_t FloorDiv(int128 num, int64_t den)
{
    int128 q = num / den;
    if (num % den != 0 && num < 0)
        --q;
    return static_cast<int64_t>(q);
}

// ---------------------------------------------------------------------------
// Polygons
//
// Row y samples the polygon at the pixels' top-left corners: pixel (x, y)
// is inside when the point (x, y) is, with points on a left edge inside and
// on a right edge outside. An edge from (x0, y0) to (x1, y1), y0 < y1,
// crosses rows y0 .. y1 - 1 at x0 + (y - y0) (x1 - x0) / (y1 - y0); the
// first pixel at or right of that is ceil() of it. Horizontal edges cross
// no row.
//
// Each edge keeps its crossing exactly, as an integer part and a remainder
// (Bresenham's stepping), and knows the next row where the rounded crossing
// moves. Rows up to the next such change, or to the next edge starting or
// ending, have the same spans and become one band, so steep and vertical
// edges cost little however tall they are.

struct Edge {
    int64_t yTop, yBottom; // rows yTop .. yBottom - 1
    int64_t xTop;          // x at yTop
    int64_t dx, dy;        // x1 - x0 and y1 - y0 (dy > 0)
    int dir;               // +1 downwards, -1 upwards (for the winding count)

    int64_t row = 0;             // the row the state below describes
    int64_t xFloor = 0, rem = 0; // crossing = xFloor + rem / dy, 0 <= rem < dy
    int64_t x = 0;               // the rounded crossing, ceil(xFloor + rem / dy)
    int64_t nextChange = 0;      // first row after `row` where x differs
    int64_t stepQ = 0, stepR = 0; // dx / dy as quotient and remainder

    void Start(int64_t y)
    {
        const int128 num = int128{y - yTop} * dx;
        const int64_t q = FloorDiv(num, dy);
        row = y;
        xFloor = xTop + q;
        rem = static_cast<int64_t>(num - int128{q} * dy);
        stepQ = FloorDiv(dx, dy);
        stepR = dx - stepQ * dy;
        Update();
    }

    // Moves to row y >= row; the state is only touched when x changes.
    void Advance(int64_t y)
    {
        if (y < nextChange)
            return;
        if (y != row + 1) {
            Start(y);
            return;
        }
        row = y;
        xFloor += stepQ;
        rem += stepR;
        if (rem >= dy) {
            rem -= dy;
            ++xFloor;
        }
        Update();
    }

private:
    void Update()
    {
        x = xFloor + (rem != 0 ? 1 : 0);
        if (dx == 0) {
            nextChange = yBottom;
        } else if (dx >= dy || -dx >= dy) {
            nextChange = row + 1; // moves at least a pixel every row
        } else if (dx > 0) {
            // x grows once (y - yTop) dx exceeds (x - xTop) dy.
            nextChange = yTop + static_cast<int64_t>(int128{x - xTop} * dy / dx) + 1;
        } else {
            // x shrinks once (y - yTop) (-dx) reaches (xTop + 1 - x) dy.
            const int128 num = int128{xTop + 1 - x} * dy;
            nextChange = yTop + static_cast<int64_t>((num + (-dx) - 1) / (-dx));
        }
        nextChange = std::min(nextChange, yBottom);
    }
};

} // namespace

Region Region::CreatePolygonRgn(std::span<const Point> points, PolyFillMode mode)
{
    if (mode != PolyFillMode::Alternate && mode != PolyFillMode::Winding)
        throw Exception("CreatePolygonRgn: invalid fill mode");
    if (points.size() > kMaxPolygonPoints)
        throw Exception("CreatePolygonRgn: too many points");

    std::vector<Edge> edges;
    for (size_t i = 0; i < points.size(); ++i) {
        const Point a = points[i], b = points[(i + 1) % points.size()];
        if (a.Y == b.Y)
            continue;
        const bool down = a.Y < b.Y;
        const Point top = down ? a : b, bottom = down ? b : a;
        edges.push_back({top.Y, bottom.Y, top.X, int64_t{bottom.X} - top.X, int64_t{bottom.Y} - top.Y, down ? 1 : -1});
    }
    Builder builder;
    if (edges.empty())
        return builder.Finish();

    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.yTop < b.yTop; });
    int64_t yEnd = kShapeMin;
    for (const Edge& e : edges)
        yEnd = std::max(yEnd, e.yBottom);
    yEnd = std::min(yEnd, kShapeMax);

    std::vector<Edge*> active;
    std::vector<Span> spans;
    size_t next = 0;
    for (int64_t y = std::max(edges.front().yTop, kShapeMin); y < yEnd;) {
        std::erase_if(active, [y](const Edge* e) { return e->yBottom <= y; });
        for (Edge* e : active)
            e->Advance(y);
        for (; next < edges.size() && edges[next].yTop <= y; ++next) {
            if (edges[next].yBottom <= y)
                continue;
            edges[next].Start(y);
            active.push_back(&edges[next]);
        }
        // Crossings change order only where edges cross, so the list stays
        // nearly sorted from band to band.
        for (size_t i = 1; i < active.size(); ++i) {
            Edge* e = active[i];
            size_t j = i;
            for (; j > 0 && active[j - 1]->x > e->x; --j)
                active[j] = active[j - 1];
            active[j] = e;
        }

        spans.clear();
        int count = 0;
        int64_t start = 0;
        int64_t bandEnd = next < edges.size() ? std::min(yEnd, edges[next].yTop) : yEnd;
        for (size_t i = 0; i < active.size();) {
            const int64_t x = active[i]->x;
            const bool before = mode == PolyFillMode::Winding ? count != 0 : (count & 1) != 0;
            for (; i < active.size() && active[i]->x == x; ++i) {
                count += mode == PolyFillMode::Winding ? active[i]->dir : 1;
                bandEnd = std::min(bandEnd, active[i]->nextChange);
            }
            const bool after = mode == PolyFillMode::Winding ? count != 0 : (count & 1) != 0;
            if (!before && after)
                start = x;
            else if (before && !after)
                spans.push_back({static_cast<int32_t>(std::clamp(start, kShapeMin, kShapeMax)),
                                 static_cast<int32_t>(std::clamp(x, kShapeMin, kShapeMax))});
        }
        assert(bandEnd > y);
        bandEnd = std::max(bandEnd, y + 1); // progress even if the above failed
        builder.AddBand(static_cast<int32_t>(y), static_cast<int32_t>(bandEnd), spans);
        y = bandEnd;
    }
    return builder.Finish();
}

// ---------------------------------------------------------------------------
// Ellipses and rounded rectangles
//
// The GDI takes the rectangle one pixel short on the right and bottom, and
// the corner ellipse (the whole shape for an ellipse) is clamped to that
// rectangle. Each row of a w x h ellipse is a span symmetric about the
// vertical axis, shortened on both sides by the row's inset; the lower half
// mirrors the upper one. The insets come from an error-stepping walk
// (a midpoint ellipse in the manner of Bresenham) from the middle row out
// to the tip: each step moves one column out, one row down, or both,
// whichever keeps the error term closest to the curve, and a row's inset is
// the column where the walk enters it.

namespace {

// Insets of rows kLo .. kHi (counted from the top, all in the upper half,
// kHi <= (h - 1) / 2) of a w x h ellipse, w, h >= 2.
std::vector<int64_t> EllipseInsets(int64_t w, int64_t h, int64_t kLo, int64_t kHi)
{
    const int64_t a = w - 1, b = h - 1, odd = b & 1;
    const int64_t center = (h - 1) / 2; // row k = center - m is m rows above the middle
    const int64_t mLo = center - kHi, mHi = center - kLo;
    const int128 stepX = int128{8} * b * b, stepY = int128{8} * a * a;
    int128 dx = int128{4} * (1 - a) * b * b;
    int128 dy = int128{4} * (odd + 1) * a * a;
    int128 err = dx + dy + int128{odd} * a * a;

    std::vector<int64_t> insets(static_cast<size_t>(kHi - kLo + 1));
    const auto record = [&](int64_t m, int64_t x) {
        if (m >= mLo && m <= mHi)
            insets[static_cast<size_t>(center - m - kLo)] = x;
    };
    int64_t x = 0, m = 0;
    record(0, 0);
    bool enteredRow = false; // the last step moved to a new row
    while (2 * x <= a && m < mHi) {
        const int128 e2 = 2 * err;
        enteredRow = false;
        if (e2 >= dx) {
            ++x;
            dx += stepX;
            err += dx;
        }
        if (e2 <= dy) {
            ++m;
            dy += stepY;
            err += dy;
            record(m, x);
            enteredRow = true;
        }
    }
    // In tall, narrow ellipses the walk crosses the axis before the tip;
    // the row it crossed in and the rows beyond stay one column back.
    if (2 * x > a && m < center) {
        if (enteredRow)
            record(m, x - 1);
        for (++m; m <= mHi; ++m)
            record(m, x - 1);
    }
    return insets;
}

} // namespace

Region Region::CreateRoundRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t ellipseWidth,
                                  int32_t ellipseHeight)
{
    const int64_t l = std::min(left, right), t = std::min(top, bottom);
    const int64_t r = int64_t{std::max(left, right)} - 1, b = int64_t{std::max(top, bottom)} - 1;
    const int64_t cw = std::min(r - l, std::abs(int64_t{ellipseWidth}));
    const int64_t ch = std::min(b - t, std::abs(int64_t{ellipseHeight}));

    Builder builder;
    std::vector<Span> spans;
    if (cw < 2 || ch < 2) {
        // Too small to round: the shortened rectangle (put in order again,
        // as a zero-width input turns it around).
        const int64_t y0 = std::max(std::min(t, b), kShapeMin), y1 = std::min(std::max(t, b), kShapeMax);
        if (y0 < y1) {
            spans.push_back({static_cast<int32_t>(std::clamp(std::min(l, r), kShapeMin, kShapeMax)),
                             static_cast<int32_t>(std::clamp(std::max(l, r), kShapeMin, kShapeMax))});
            builder.AddBand(static_cast<int32_t>(y0), static_cast<int32_t>(y1), spans);
        }
        return builder.Finish();
    }
    // The walk below costs time in proportion to the ellipse's size, not to
    // the part that is kept, hence the size limit.
    if (cw > kMaxEllipseSize || ch > kMaxEllipseSize)
        throw Exception("Region: ellipse too large");

    const int64_t height = b - t;
    const int64_t y0 = std::max(t, kShapeMin), y1 = std::min(b, kShapeMax);
    if (y0 >= y1)
        return builder.Finish();

    // Row y lies k rows from the nearer of top and bottom; rows with
    // k < ch / 2 belong to a corner. k rises and then falls over the rows,
    // so the kept rows need the insets of one interval of k.
    const auto distance = [&](int64_t y) { return std::min(y - t, b - 1 - y); };
    const int64_t corner = ch / 2;
    int64_t kLo = std::min(distance(y0), distance(y1 - 1));
    int64_t kHi = (y0 <= t + (height - 1) / 2 && t + (height - 1) / 2 < y1) ? distance(t + (height - 1) / 2)
                                                                           : std::max(distance(y0), distance(y1 - 1));
    kHi = std::min(kHi, corner - 1);
    std::vector<int64_t> insets;
    if (kLo <= kHi)
        insets = EllipseInsets(cw, ch, kLo, kHi);

    for (int64_t y = y0; y < y1; ++y) {
        const int64_t k = distance(y);
        const int64_t inset = k < corner ? insets[static_cast<size_t>(k - kLo)] : 0;
        spans.clear();
        if (l + inset < r - inset)
            spans.push_back({static_cast<int32_t>(std::clamp(l + inset, kShapeMin, kShapeMax)),
                             static_cast<int32_t>(std::clamp(r - inset, kShapeMin, kShapeMax))});
        builder.AddBand(static_cast<int32_t>(y), static_cast<int32_t>(y + 1), spans);
    }
    return builder.Finish();
}

Region Region::CreateEllipticRgn(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    // The corner ellipse covers the whole rectangle (clamping brings the
    // full size down to the shortened rectangle).
    const int32_t fullWidth = static_cast<int32_t>(std::min<int64_t>(std::abs(int64_t{right} - left), INT32_MAX));
    const int32_t fullHeight = static_cast<int32_t>(std::min<int64_t>(std::abs(int64_t{bottom} - top), INT32_MAX));
    return CreateRoundRectRgn(left, top, right, bottom, fullWidth, fullHeight);
}

} // namespace saver
