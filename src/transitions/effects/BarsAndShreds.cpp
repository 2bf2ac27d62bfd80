// Bars and uneven shreds: regions of many 5-pixel strips. Each builder
// writes the row part and the column part with the same code, the column
// part with the axes swapped, and unites all strips in one sweep.

#include "transitions/effects/RegionEffects.h"

#include "core/Random.h"
#include "gdi/Bitmap.h"

#include <utility>
#include <vector>

namespace saver {
namespace {

using namespace lengths;

// Adds a strip given in the part's own axes: `a` is the axis the strips grow
// along (x for the row part), `b` the one they are stacked on.
class PartSink {
public:
    PartSink(std::vector<Rect>& rects, bool columns) : m_rects(rects), m_columns(columns) {}
    void operator()(int64_t a0, int64_t b0, int64_t a1, int64_t b1) const
    {
        m_rects.push_back(m_columns ? Region::RectFromCoordinates(b0, a0, b1, a1)
                                    : Region::RectFromCoordinates(a0, b0, a1, b1));
    }

private:
    std::vector<Rect>& m_rects;
    bool m_columns;
};

bool IsFrameSize(int32_t w, int32_t h)
{
    return w >= 0 && h >= 0 && w <= Bitmap::kMaxDimension && h <= Bitmap::kMaxDimension;
}

// One part of CreateBarsRegion, written for the rows: X the extent, W the
// length the bars grow along, H the length they are laid out over.
void AddBars(const PartSink& add, int64_t X, int64_t W, int64_t H, int64_t snap, BarsKind kind)
{
    using enum BarsKind;
    if (kind != FromEnd && kind != FromStart && kind != FromBoth && kind != StartThenEnd && kind != EndThenStart)
        return;
    if (X <= W) {
        // First phase: the even bars.
        if (X + snap > W)
            X = W;
        for (int64_t y = 0; y < H + 5; y += 10) {
            if (kind == FromEnd || kind == EndThenStart)
                add(W - X, y, W, y + 5);
            else if (kind == FromStart || kind == StartThenEnd)
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
        if (kind == FromEnd || kind == StartThenEnd)
            add(2 * W - X, y, W, y + 5);
        else if (kind == FromStart || kind == EndThenStart)
            add(0, y, X - W, y + 5);
    }
}

// One part of CreateShredRegion, written for the rows, drawing its jitter
// strip by strip in increasing order.
void AddShreds(const PartSink& add, int64_t X, int64_t W, int64_t H, ShredKind kind)
{
    using enum ShredKind;
    if (kind != FromEnd && kind != FromStart && kind != OutFromMiddle && kind != InToMiddle)
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
        case FromEnd:
            add(W - X + first, y, W, y + h);
            break;
        case FromStart:
            add(0, y, X + first, y + h);
            break;
        case OutFromMiddle: {
            const int64_t second = jitter();
            add((W - X + first) / 2, y, W / 2, y + h);
            add(W / 2, y, (W + X + second) / 2, y + h);
            break;
        }
        default: { // InToMiddle
            const int64_t second = jitter();
            add(W - (X + first) / 2, y, W, y + h);
            add(0, y, (X + second) / 2, y + h);
            break;
        }
        }
    }
}

using enum BarsKind;

constexpr BarsRow kBarsRows[] = {
    {60, 2 * PW, 0, SL, FromEnd, None},      // Bars in from right
    {61, 2 * PW, 0, SL, FromStart, None},    // Bars in from left
    {62, 2 * PW, 0, SL, StartThenEnd, None}, // Bars left then right
    {63, 2 * PW, 0, SL, EndThenStart, None}, // Bars right then left
    {64, PW, 0, NoSnap, FromBoth, None},     // Bars from both sides
    {71, 0, 2 * PH, SL, None, FromEnd},      // Bars from bottom
    {72, 0, 2 * PH, SL, None, FromStart},    // Bars from top
    {73, 0, 2 * PH, SL, None, StartThenEnd}, // Bars top then bottom
    {74, 0, 2 * PH, SL, None, EndThenStart}, // Bars bottom then top
    {75, 0, PH, NoSnap, None, FromBoth},     // Bars from top and bottom
};

// Every shred style passes the extents PW and PH.
constexpr ShredKind kNone = ShredKind::None, kEnd = ShredKind::FromEnd, kStart = ShredKind::FromStart,
                    kOut = ShredKind::OutFromMiddle, kIn = ShredKind::InToMiddle;
constexpr DirectionKindsRow<ShredKind> kShredRows[] = {
    {65, kEnd, kNone},     // Uneven shred from right
    {66, kStart, kNone},   // Uneven shred from left
    {67, kOut, kNone},     // Uneven shred out from middle (horiz)
    {68, kIn, kNone},      // Uneven shred in to middle (horiz)
    {76, kNone, kEnd},     // Unven shred from bottom
    {77, kNone, kStart},   // Uneven shred from top
    {78, kNone, kOut},     // Uneven shred from horizon
    {79, kNone, kIn},      // Uneven shred in to horizon
    {100, kEnd, kEnd},     // Uneven shred from bottom and right
    {101, kEnd, kStart},   // Uneven shred from top and right
    {102, kStart, kEnd},   // Uneven shred from bottom and left
    {103, kStart, kStart}, // Uneven shred from top and left
    {104, kEnd, kOut},     // Uneven shred from horiz and right
    {105, kStart, kOut},   // Uneven shred from horiz and left
    {106, kOut, kEnd},     // Uneven shred from bottom and vert middle
    {107, kOut, kStart},   // Uneven shred from top and vert middle
    {108, kOut, kOut},     // Uneven shred from centre
    {109, kIn, kIn},       // Uneven shred to centre
};

} // namespace

Region CreateBarsRegion(int32_t ExtentX, int32_t ExtentY, int32_t W, int32_t H, int32_t Snap, BarsKind HorzKind,
                        BarsKind VertKind)
{
    std::vector<Rect> rects;
    if (IsFrameSize(W, H)) {
        AddBars(PartSink(rects, false), ExtentX, W, H, Snap, HorzKind);
        AddBars(PartSink(rects, true), ExtentY, H, W, Snap, VertKind);
    }
    return Region::FromRects(std::move(rects));
}

Region CreateShredRegion(int32_t ExtentX, int32_t ExtentY, int32_t W, int32_t H, ShredKind HorzKind,
                         ShredKind VertKind)
{
    std::vector<Rect> rects;
    if (IsFrameSize(W, H)) {
        AddShreds(PartSink(rects, false), ExtentX, W, H, HorzKind);
        AddShreds(PartSink(rects, true), ExtentY, H, W, VertKind);
    }
    return Region::FromRects(std::move(rects));
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
    const DirectionKindsRow<ShredKind>* row = FindStyleRow(kShredRows, style);
    if (!row)
        return {};
    return CreateShredRegion(m.ProgressWidth, m.ProgressHeight, m.FullWidth, m.FullHeight, row->HorzKind,
                             row->VertKind);
}

} // namespace saver
