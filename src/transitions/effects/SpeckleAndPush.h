#pragma once
// The speckle, random squares and push families.
//
//   speckle         a solid part with random cells ahead of it
//   random squares  squares on a grid, a fixed pattern per size
//   push            the old image moved or squeezed aside, a strip of the
//                   new picture in the space freed
//
// Speckles and squares are region reveals; the pushes copy rectangles.

#include "gdi/Region.h"
#include "transitions/PSEffect.h"

#include <cstdint>

namespace saver {

// Where the speckle part of one direction grows from: for the rows "end"
// is the right and "start" the left, for the columns the bottom and the top.
enum class SpeckleKind : int32_t { None = 0, FromEnd = 1, FromStart = 2 };

// A solid part growing from one edge to ExtentX (rows, HorzKind) or ExtentY
// (columns, VertKind), and square cells drawn at random in a band ahead of
// it: the band is a tenth of the size deep (none once the extent reaches
// the size), cells are F = max(2, band div 20) pixels, laid on rows F high
// on a pitch of F div 2. The k-th cell ahead of the front shows with
// probability 2/k within the nearest three quarters of the band, 1/k
// beyond. None adds no part, and any value but FromEnd grows from the
// start. One Random draw per cell, rows before columns, each row from its
// farthest cell to its nearest. W and H are frame sizes
// (0 to Bitmap::kMaxDimension; beyond that the region is empty).
[[nodiscard]] Region CreateSpeckleRegion(int32_t ExtentX, int32_t ExtentY, int32_t W, int32_t H,
                                         SpeckleKind HorzKind, SpeckleKind VertKind);

// The region of "Random squares appear" for a frame: squares of side 2 S
// centred on a grid of pitch S, S = StepLength div 2 (StepLength itself
// when it is 1 or less), each shown when its draw Random(100) is below
// Progress. The generator is seeded with W * H first, so the pattern is a
// function of the frame size and grows with Progress. A pitch of 0 (tiny
// frames, StepLength 0) is taken as 1: a fine dissolve rather than a grid
// that never advances or a picture that never shows.
[[nodiscard]] Region RandomSquaresRegion(const ProgressMetrics& m, uint32_t Progress);

// The region a speckle or the random squares style reveals in a frame;
// empty for other styles.
[[nodiscard]] Region SpeckleOrSquaresRegion(TShowStyle style, const ProgressMetrics& m, uint32_t Progress);

// The frame of a push style; other styles draw nothing.
void DrawPushStyle(TShowStyle style, Bitmap& Screen, const Bitmap& Picture, const Rect& R, uint32_t Step,
                   uint32_t Progress);

// The frame of a push style composed in one pass from the old image and the
// picture, the same pixels as drawing the old image and then the style.
// All three bitmaps are the frame's size with four bytes a pixel, R is the
// whole frame and the frame's canvas has no clip or origin. False, with
// nothing drawn, for other styles and frames no push draws.
[[nodiscard]] bool ComposePushFrame(TShowStyle style, Bitmap& Screen, const Bitmap& OldImage, const Bitmap& Picture,
                                    const Rect& R, uint32_t Step, uint32_t Progress);

} // namespace saver
