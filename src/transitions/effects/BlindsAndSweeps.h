#pragma once
// The blinds, rectangular shred, sweep, bands-and-blinds and rotation
// families: region reveals made of repeated strips (blinds, and
// bands with blinds), a grid of growing rectangles, a circular sector
// sweeping from straight up, and a rectangle or a star turning about the
// centre.
//
//   blinds            strips on a fixed or a growing pitch
//   rectangular shred a grid of rectangles
//   sweeps            a sector, clockwise or anticlockwise
//   bands and blinds  bands opening about their centre lines, united with
//                     uneven blinds
//   rotation          a rectangle or a four-pointed star

#include "transitions/effects/RegionReveal.h"

#include <cstdint>
#include <span>

namespace saver {

// The polygon (WINDING) of the centre and Count points on a circle of
// Radius, at StartAngle, StartAngle + d, ..., StartAngle + (Count - 1) d with
// d = (EndAngle - StartAngle) / Count, each rounded to the nearest pixel
// (ties to even). Angles are radians; with y downward a growing angle turns
// clockwise on screen. A Count below 1 gives the empty region; one the
// polygon type cannot take (kMaxPolygonPoints or more) throws
// saver::Exception, as the polygon call would.
[[nodiscard]] Region CreateSweepRegion(int32_t CenterX, int32_t CenterY, int32_t Radius, long double StartAngle,
                                       long double EndAngle, int32_t Count);

// Turns Points[0..LastIndex] in place by Angle about (CenterX, CenterY),
// clockwise on screen for a positive angle, each coordinate rounded to the
// nearest integer (ties to even) and limited to the 32-bit range. Indices
// beyond the span are ignored; a negative LastIndex turns nothing.
void RotatePoints(std::span<Point> Points, int32_t LastIndex, int32_t CenterX, int32_t CenterY, long double Angle);

// The region of a style of these families for a frame's metrics and Progress;
// empty for other styles and for metrics of no bitmap (a side below 1 or
// beyond Bitmap::kMaxDimension). A grid too fine for the region type
// throws saver::Exception, which the frame step turns into no reveal.
[[nodiscard]] Region BlindsAndSweepsRegion(TShowStyle style, const ProgressMetrics& m, uint32_t Progress);

} // namespace saver
