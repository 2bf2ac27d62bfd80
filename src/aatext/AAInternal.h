#pragma once
// Small helpers shared by the anti-aliased text files.

#include "core/Color.h"

#include <cstdint>

namespace saver {
class Bitmap;
class Canvas;
class Graphic;
struct Rect;
} // namespace saver

namespace saver::aatext {

// num / den rounded to the nearest integer, halves to the even one; den > 0.
// Integers keep the result exact whatever a floating-point quotient would be.
constexpr int64_t RoundDivHalfEven(int64_t num, int64_t den)
{
    int64_t q = num / den, r = num % den;
    if (r < 0) {
        --q;
        r += den;
    }
    if (2 * r > den || (2 * r == den && (q & 1) != 0))
        ++q;
    return q;
}

// A property writer: stores a different value and reports it through the
// owner's Changed.
template <class Owner, class T>
void Store(Owner& owner, T& field, T value)
{
    if (field == value)
        return;
    field = value;
    owner.Changed();
}

// Fills a 24-bit bitmap with an RGB colour: the first row is built, the
// others copied from it.
void FillBitmap24(Bitmap& bitmap, TColor rgb);
// Writes `width` pixels of an RGB colour into a 24-bit row.
void FillRow24(uint8_t* row, int32_t width, TColor rgb);

// How a graphic covers a rectangle, in the order of TTextureMode and
// TBackGroundMode.
enum class Placement : uint8_t { Tiled, Stretched, Center, Normal };
// Draws a graphic (not empty) into a rectangle: tiled from its top-left
// corner, stretched over it, centred, or once at its top-left corner.
void PlaceGraphic(Canvas& canvas, const Rect& rect, Placement placement, const Graphic& graphic);

} // namespace saver::aatext
