#pragma once
// Styles 123 to 135.
//
//   speckle         123 to 126   a solid part with random cells ahead of it
//   random squares  127          squares on a grid, a fixed pattern per size
//   push            128 to 135   the old image moved or squeezed aside, a
//                                strip of the new picture in the space freed
//
// The first five are region reveals; the pushes copy rectangles.

#include "gdi/Region.h"
#include "transitions/PSEffect.h"

#include <cstdint>

namespace saver {

inline constexpr TShowStyle kFirstSpeckleStyle = 123;
inline constexpr TShowStyle kRandomSquaresStyle = 127;
inline constexpr TShowStyle kFirstPushStyle = 128;
inline constexpr TShowStyle kLastPushStyle = 135;

// A solid part growing from one edge to ExtentX (rows, HorzKind) or ExtentY
// (columns, VertKind), and square cells drawn at random in a band ahead of
// it: the band is a tenth of the size deep (none once the extent reaches
// the size), cells are F = max(2, band div 20) pixels, laid on rows F high
// on a pitch of F div 2. The k-th cell ahead of the front shows with
// probability 2/k within the nearest three quarters of the band, 1/k
// beyond. Kinds: 1 from the right (bottom), any other non-zero value from
// the left (top), 0 no part. One Random draw per cell, rows before columns,
// each row from its farthest cell to its nearest. W and H are frame sizes
// (0 to Bitmap::kMaxDimension; beyond that the region is empty).
[[nodiscard]] Region CreateSpeckleRegion(int32_t ExtentX, int32_t ExtentY, int32_t W, int32_t H, int32_t HorzKind,
                                         int32_t VertKind);

// The region of "Random squares appear" for a frame: squares of side 2 S
// centred on a grid of pitch S, S = StepLength div 2 (StepLength itself
// when it is 1 or less), each shown when its draw Random(100) is below
// Progress. The generator is seeded with W * H first, so the pattern is a
// function of the frame size and grows with Progress. A pitch of 0 (tiny
// frames, StepLength 0) is taken as 1: a fine dissolve rather than a grid
// that never advances or a picture that never shows.
[[nodiscard]] Region RandomSquaresRegion(const ProgressMetrics& m, uint32_t Progress);

// The region a style of 123 to 127 reveals in a frame; empty for others.
[[nodiscard]] Region SpeckleOrSquaresRegion(TShowStyle style, const ProgressMetrics& m, uint32_t Progress);

// The frame of a style of 123 to 135; other styles draw nothing.
void SpeckleAndPushEffect(TShowStyle style, Bitmap& Screen, const Bitmap& Picture, const Rect& R, uint32_t Step,
                          uint32_t Progress);

template <TShowStyle Style>
void SpeckleAndPushStyleEffect(Bitmap& Screen, const Bitmap& Picture, const Rect& R, uint32_t Step,
                               uint32_t Progress)
{
    SpeckleAndPushEffect(Style, Screen, Picture, R, Step, Progress);
}

} // namespace saver
