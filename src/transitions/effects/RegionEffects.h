#pragma once
// Styles 58 to 117: region reveals. Each family is a table of rows that give
// the style's region for a frame's metrics; RevealStyleRegion draws it.
//
//   curved     58, 59, 69, 70, 80 to 85   rounded rectangles     CurvedEffects.cpp
//   bars       60 to 64, 71 to 75         5-pixel bars           BarsAndShreds.cpp
//   shreds     65 to 68, 76 to 79,        ragged 5-pixel strips  BarsAndShreds.cpp
//              100 to 109
//   criss-cross 86 to 99                  bars and columns       CrissCrossEffects.cpp
//   diagonal   110 to 117                 triangles              DiagonalEffects.cpp

#include "transitions/effects/RegionReveal.h"

#include <cstddef>
#include <cstdint>

namespace saver {

inline constexpr TShowStyle kFirstRegionStyle = 58;
inline constexpr TShowStyle kLastRegionStyle = 117;

// Bars 5 pixels thick on a 10-pixel pitch: rows growing across the width
// (HorzKind, extent ExtentX) united with columns growing down or up the
// height (VertKind, ExtentY). Kinds: 1 from the right (bottom), 2 from the
// left (top), 3 even bars from the right and odd ones from the left in one
// phase, 4 left then right, 5 right then left; 0 or any other value adds
// nothing. An extent above the size is the second phase: the even bars are
// complete and the odd ones grow by extent - size. In the first phase an
// extent within Snap of the size completes the bars. W and H are frame sizes
// (0 to Bitmap::kMaxDimension; beyond that the region is empty).
[[nodiscard]] Region CreateBarsRegion(int32_t ExtentX, int32_t ExtentY, int32_t W, int32_t H, int32_t Snap,
                                      int32_t HorzKind, int32_t VertKind);

// Strips on a 5-pixel pitch, 5 + (size mod 5) thick, each reaching an extent
// moved by a jitter r1 - r2 of two draws Random(size div 7) (Random(0) once
// the extent reaches the size), drawn anew per strip from the process-wide
// generator: rows first, then columns, each in increasing order, r1 to r4 in
// turn. Kinds: 1 from the right (bottom), 2 from the left (top), 3 out from
// the centre line, 4 in to it; 0 or any other value skips that part, with
// no draws. Sizes as for CreateBarsRegion.
[[nodiscard]] Region CreateShredRegion(int32_t ExtentX, int32_t ExtentY, int32_t W, int32_t H, int32_t HorzKind,
                                       int32_t VertKind);

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
    int32_t HorzKind;
    int32_t VertKind;
};
namespace lengths {
inline constexpr BarsSnap SL = BarsSnap::StepLength; // the snap column of bar tables
inline constexpr BarsSnap NoSnap = BarsSnap::None;
} // namespace lengths
[[nodiscard]] Region BarsRowRegion(const BarsRow& row, const ProgressMetrics& m);

// A row of a family whose builder takes the extents PW and PH and a kind
// per direction (shreds, speckles).
struct DirectionKindsRow {
    TShowStyle Style;
    int32_t HorzKind;
    int32_t VertKind;
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

// The family of a style of 58 to 117 (every one has one); nullptr for others.
[[nodiscard]] constexpr StyleRegionFn RegionStyleFamily(unsigned style)
{
    const auto in = [style](unsigned first, unsigned last) { return style >= first && style <= last; };
    if (in(58, 59) || in(69, 70) || in(80, 85))
        return &CurvedRegion;
    if (in(60, 64) || in(71, 75))
        return &BarsRegion;
    if (in(65, 68) || in(76, 79) || in(100, 109))
        return &ShredRegion;
    if (in(86, 99))
        return &CrissCrossRegion;
    if (in(110, 117))
        return &DiagonalRegion;
    return nullptr;
}

} // namespace saver
