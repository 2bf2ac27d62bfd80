#pragma once
// Region reveals of the curved, bars, shreds, criss-cross and diagonal
// families (the style table says which style belongs to which). Each family
// is a table of rows that give the style's region for a frame's metrics;
// RevealStyleRegion draws it.
//
//   curved       rounded rectangles     CurvedEffects.cpp
//   bars         5-pixel bars           BarsAndShreds.cpp
//   shreds       ragged 5-pixel strips  BarsAndShreds.cpp
//   criss-cross  bars and columns       CrissCrossEffects.cpp
//   diagonal     triangles              DiagonalEffects.cpp

#include "transitions/effects/RegionReveal.h"

#include <cstddef>
#include <cstdint>

namespace saver {

// How the bars of one part grow. For the rows "end" is the right and
// "start" the left; for the columns the bottom and the top.
enum class BarsKind : int32_t {
    None = 0,
    FromEnd = 1,
    FromStart = 2,
    FromBoth = 3, // even bars from the end, odd ones from the start, in one phase
    StartThenEnd = 4,
    EndThenStart = 5,
};

// Bars 5 pixels thick on a 10-pixel pitch: rows growing across the width
// (HorzKind, extent ExtentX) united with columns growing down or up the
// height (VertKind, ExtentY). None, or a value outside the enumeration,
// adds nothing. An extent above the size is the second phase: the even bars
// are complete and the odd ones grow by extent - size. In the first phase an
// extent within Snap of the size completes the bars. W and H are frame sizes
// (0 to Bitmap::kMaxDimension; beyond that the region is empty).
[[nodiscard]] Region CreateBarsRegion(int32_t ExtentX, int32_t ExtentY, int32_t W, int32_t H, int32_t Snap,
                                      BarsKind HorzKind, BarsKind VertKind);

// How the shreds of one part grow; "end" and "start" as for bars.
enum class ShredKind : int32_t {
    None = 0,
    FromEnd = 1,
    FromStart = 2,
    OutFromMiddle = 3, // out from the centre line
    InToMiddle = 4,    // in to the centre line
};

// Strips on a 5-pixel pitch, 5 + (size mod 5) thick, each reaching an extent
// moved by a jitter r1 - r2 of two draws Random(size div 7) (Random(0) once
// the extent reaches the size), drawn anew per strip from the process-wide
// generator: rows first, then columns, each in increasing order, r1 to r4 in
// turn. None, or a value outside the enumeration, skips that part, with no
// draws. Sizes as for CreateBarsRegion.
[[nodiscard]] Region CreateShredRegion(int32_t ExtentX, int32_t ExtentY, int32_t W, int32_t H, ShredKind HorzKind,
                                       ShredKind VertKind);

// The polygon region (WINDING) of three points, in this order.
[[nodiscard]] Region CreateTriangleRegion(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3);

// A row of a style made of CreateBarsRegion: the extents in the frame's
// lengths and the snap margin of the first phase.
enum class BarsSnap : uint8_t { None, StepLength };
struct BarsRow {
    TShowStyle Style;
    FrameLength ExtentX;
    FrameLength ExtentY;
    BarsSnap SnapBy;
    BarsKind HorzKind;
    BarsKind VertKind;
};
namespace lengths {
inline constexpr BarsSnap SL = BarsSnap::StepLength; // the snap column of bar tables
inline constexpr BarsSnap NoSnap = BarsSnap::None;
} // namespace lengths
[[nodiscard]] Region BarsRowRegion(const BarsRow& row, const ProgressMetrics& m);

// A row of a family whose builder takes the extents PW and PH and a kind
// per direction (shreds, speckles).
template <class Kind>
struct DirectionKindsRow {
    TShowStyle Style;
    Kind HorzKind;
    Kind VertKind;
};

// The row of `style` in a family table; nullptr when it has none.
template <class Row, size_t N>
[[nodiscard]] constexpr const Row* FindStyleRow(const Row (&rows)[N], TShowStyle style)
{
    for (const Row& row : rows)
        if (row.Style == style)
            return &row;
    return nullptr;
}

// The families' regions; empty for a style outside the family.
[[nodiscard]] Region CurvedRegion(TShowStyle style, const ProgressMetrics& m);
[[nodiscard]] Region BarsRegion(TShowStyle style, const ProgressMetrics& m);
[[nodiscard]] Region ShredRegion(TShowStyle style, const ProgressMetrics& m);
[[nodiscard]] Region CrissCrossRegion(TShowStyle style, const ProgressMetrics& m);
[[nodiscard]] Region DiagonalRegion(TShowStyle style, const ProgressMetrics& m);

} // namespace saver
