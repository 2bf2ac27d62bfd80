#pragma once
// The fade and pivot families: the effects that work on pixels rather than
// regions. "Fade" blends the two pictures channel by channel; the four pivots turn
// the new picture about a point just outside one of its corners. Both
// bitmaps are 32 bits a pixel for these styles (the transition control
// switches them), and both routines address the pixels row by row.

#include "transitions/PSEffect.h"

#include <cstdint>

namespace saver {

// The largest value BlendBitmaps divides by 100: both weights add up to 100
// and a channel is at most 255.
inline constexpr uint32_t kMaxBlendSum = 100 * 255;

// x div 100 for 0 <= x <= kMaxBlendSum, as (x * 41944) >> 22 in 16-bit
// steps (the high half of a 16-bit product, then a shift), which vector
// units do on eight values at once: 41944 / 2^22 exceeds 1/100 by less
// than 1/(100 * kMaxBlendSum), so the error never carries a quotient past
// the next whole number.
[[nodiscard]] constexpr uint16_t DivideBy100(uint16_t x)
{
    return uint16_t(uint16_t((uint32_t{x} * 41944u) >> 16) >> 6);
}

// Replaces the blue, green and red bytes of every `Screen` pixel d by
// ((100 - Percent) * d + Percent * s) div 100, s the `Picture` pixel at the
// same place; the fourth byte stays. Percent is limited to 0..100. Works on
// the area both bitmaps share; a bitmap that is not 32 bits a pixel is left
// alone.
void BlendBitmaps(Bitmap& Screen, const Bitmap& Picture, int32_t Percent);

// Draws `Picture` turned anticlockwise by `Angle` radians about (PivotX,
// PivotY), PivotY counted upward from the bottom edge, as an inverse
// mapping in 16.16 fixed point: S and K are sin(-Angle) and cos(-Angle)
// times 65536, truncated, and the destination pixel (X, Y), Y from the top,
// takes the whole source pixel at
//   sx = PivotX + ((u K - e S) >> 16),  sy = PivotY + ((u S + e K) >> 16),
//   u = X + 1 - PivotX,  e = H - Y - PivotY   (W, H: Picture's size)
// with sy counted from the bottom, when it lies inside the picture; other
// destination pixels keep the old image. The sums are exact: a frame small
// enough for them to fit 32 bits (width plus height below about 32 000)
// gets exactly the 32-bit results, a larger one is not wrapped around.
// Works on the area both bitmaps share; a bitmap that is not 32 bits a
// pixel is left alone.
void RotateBitmap(Bitmap& Screen, const Bitmap& Picture, int32_t PivotX, int32_t PivotY, long double Angle);

// The frame of the fade or a pivot style; other styles draw nothing.
void PixelEffect(TShowStyle style, Bitmap& Screen, const Bitmap& Picture, const Rect& R, uint32_t Step,
                 uint32_t Progress);

// The whole frame of the fade or a pivot style, old image included, band by
// band: the same pixels as drawing `OldImage` into `Screen` and calling
// PixelEffect. False, with nothing drawn, unless all three bitmaps are 32
// bits a pixel and of one size, and `Screen` is neither of the others.
bool ComposePixelFrame(TShowStyle style, Bitmap& Screen, const Bitmap& OldImage, const Bitmap& Picture, const Rect& R,
                       uint32_t Progress);

} // namespace saver
