// Bars and uneven shreds: regions of many 5-pixel strips. Each builder
// writes the row part and the column part with the same code, the column
// part with the axes swapped, and unites all strips in one sweep.

#include "transitions/effects/RegionEffects.h"

#include "core/Random.h"
#include "gdi/Bitmap.h"

namespace saver {
namespace {

using namespace lengths;

// Adds a strip given in the part's own axes: `a` is the axis the strips grow
// along (x for the row part), `b` the one they are stacked on.
class PartSink {
public:
    PartSink(RectUnion& rects, bool columns) : m_rects(rects), m_columns(columns) {}
    void operator()(int64_t a0, int64_t b0, int64_t a1, int64_t b1) const
    {
        if (m_columns)
            m_rects.Add(b0, a0, b1, a1);
        else
            m_rects.Add(a0, b0, a1, b1);
    }

private:
    RectUnion& m_rects;
    bool m_columns;
};

bool IsFrameSize(int32_t w, int32_t h)
{
    return w >= 0 && h >= 0 && w <= Bitmap::kMaxDimension && h <= Bitmap::kMaxDimension;
}

// One part of CreateBarsRegion, written for the rows: X the extent, W the
// length the bars grow along, H the length they are laid out over.
void AddBars(const PartSink& add, int64_t X, int64_t W, int64_t H, int64_t snap, int32_t kind)
{
    if (kind < 1 || kind > 5)
        return;
    if (X <= W) {
        // First phase: the even bars.
        if (X + snap > W)
            X = W;
        for (int64_t y = 0; y < H + 5; y += 10) {
            if (kind == 1 || kind == 5)
                add(W - X, y, W, y + 5);
            else if (kind == 2 || kind == 4)
                add(0, y, X, y + 5);
            else {
                add(0, y + 5, X, y + 10);
                add(W - X, y, W, y + 5);
            }
        }
        return;
    }
    // Second phase: the even bars complete, the odd ones growing.
    for (int64_t y = 5; y < H + 5; y += 10) {
        add(0, y - 5, W, y);
        if (kind == 1 || kind == 4)
            add(2 * W - X, y, W, y + 5);
        else if (kind == 2 || kind == 5)
            add(0, y, X - W, y + 5);
    }
}

// One part of CreateShredRegion, written for the rows, drawing its jitter
// strip by strip in increasing order.
void AddShreds(const PartSink& add, int64_t X, int64_t W, int64_t H, int32_t kind)
{
    if (kind < 1 || kind > 4)
        return;
    // The edge is exact once the extent reaches the full length.
    const auto J = int32_t(X < W ? W / 7 : 0);
    const auto jitter = [J] {
        const int64_t r1 = Random(J);
        return r1 - Random(J);
    };
    const int64_t h = 5 + H % 5;
    for (int64_t y = 0; y < H; y += 5) {
        const int64_t first = jitter();
        switch (kind) {
        case 1:
            add(W - X + first, y, W, y + h);
            break;
        case 2:
            add(0, y, X + first, y + h);
            break;
        case 3: {
            const int64_t second = jitter();
            add((W - X + first) / 2, y, W / 2, y + h);
            add(W / 2, y, (W + X + second) / 2, y + h);
            break;
        }
        default: {
            const int64_t second = jitter();
            add(W - (X + first) / 2, y, W, y + h);
            add(0, y, (X + second) / 2, y + h);
            break;
        }
        }
    }
}

constexpr BarsRow kBarsRows[] = {
    {60, 2 * PW, 0, SL, 1, 0},     // Bars in from right
    {61, 2 * PW, 0, SL, 2, 0},     // Bars in from left
    {62, 2 * PW, 0, SL, 4, 0},     // Bars left then right
    {63, 2 * PW, 0, SL, 5, 0},     // Bars right then left
    {64, PW, 0, NoSnap, 3, 0},     // Bars from both sides
    {71, 0, 2 * PH, SL, 0, 1},     // Bars from bottom
    {72, 0, 2 * PH, SL, 0, 2},     // Bars from top
    {73, 0, 2 * PH, SL, 0, 4},     // Bars top then bottom
    {74, 0, 2 * PH, SL, 0, 5},     // Bars bottom then top
    {75, 0, PH, NoSnap, 0, 3},     // Bars from top and bottom
};

// Every shred style passes the extents PW and PH.
constexpr DirectionKindsRow kShredRows[] = {
    {65, 1, 0}, // Uneven shred from right
    {66, 2, 0}, // Uneven shred from left
    {67, 3, 0}, // Uneven shred out from middle (horiz)
    {68, 4, 0}, // Uneven shred in to middle (horiz)
    {76, 0, 1}, // Unven shred from bottom
    {77, 0, 2}, // Uneven shred from top
    {78, 0, 3}, // Uneven shred from horizon
    {79, 0, 4}, // Uneven shred in to horizon
    {100, 1, 1}, // Uneven shred from bottom and right
    {101, 1, 2}, // Uneven shred from top and right
    {102, 2, 1}, // Uneven shred from bottom and left
    {103, 2, 2}, // Uneven shred from top and left
    {104, 1, 3}, // Uneven shred from horiz and right
    {105, 2, 3}, // Uneven shred from horiz and left
    {106, 3, 1}, // Uneven shred from bottom and vert middle
    {107, 3, 2}, // Uneven shred from top and vert middle
    {108, 3, 3}, // Uneven shred from centre
    {109, 4, 4}, // Uneven shred to centre
};

} // namespace

Region CreateBarsRegion(int32_t ExtentX, int32_t ExtentY, int32_t W, int32_t H, int32_t Snap, int32_t HorzKind,
                        int32_t VertKind)
{
    RectUnion rects;
    if (IsFrameSize(W, H)) {
        AddBars(PartSink(rects, false), ExtentX, W, H, Snap, HorzKind);
        AddBars(PartSink(rects, true), ExtentY, H, W, Snap, VertKind);
    }
    return rects.Finish();
}

Region CreateShredRegion(int32_t ExtentX, int32_t ExtentY, int32_t W, int32_t H, int32_t HorzKind, int32_t VertKind)
{
    RectUnion rects;
    if (IsFrameSize(W, H)) {
        AddShreds(PartSink(rects, false), ExtentX, W, H, HorzKind);
        AddShreds(PartSink(rects, true), ExtentY, H, W, VertKind);
    }
    return rects.Finish();
}

Region BarsRowRegion(const BarsRow& row, const ProgressMetrics& m)
{
    return CreateBarsRegion(int32_t(row.ExtentX(m)), int32_t(row.ExtentY(m)), m.FullWidth, m.FullHeight,
                            row.SnapBy == BarsSnap::StepLength ? m.StepLength : 0, row.HorzKind, row.VertKind);
}

Region BarsRegion(TShowStyle style, const ProgressMetrics& m)
{
    const BarsRow* row = FindStyleRow(kBarsRows, style);
    return row ? BarsRowRegion(*row, m) : Region();
}

Region ShredRegion(TShowStyle style, const ProgressMetrics& m)
{
    const DirectionKindsRow* row = FindStyleRow(kShredRows, style);
    if (!row)
        return {};
    return CreateShredRegion(m.ProgressWidth, m.ProgressHeight, m.FullWidth, m.FullHeight, row->HorzKind,
                             row->VertKind);
}

} // namespace saver
