#pragma once
// StretchBlt with SRCCOPY, reproducing the platform's pixel choices exactly:
// which source pixel lands on which destination pixel, how shrinking drops
// or combines pixels per stretch mode, mirroring by negative extents, and
// how a source rectangle reaching outside its bitmap clips the result.

#include "core/Geometry.h"

#include <cstdint>
#include <span>

namespace saver {

class Bitmap;

enum class StretchMode : int {
    BLACKONWHITE = 1, // shrinking ANDs the pixels it eliminates (keeps dark)
    WHITEONBLACK = 2, // shrinking ORs them (keeps light)
    COLORONCOLOR = 3, // shrinking drops them
    HALFTONE = 4,     // treated as COLORONCOLOR
};

// Copies the source rectangle (xs, ys, ws, hs) of `source` onto the
// destination rectangle (xd, yd, wd, hd) of `target`, scaled. Coordinates
// are device pixels of the two bitmaps; only destination pixels inside
// `clip` (and inside the target) are written. Negative widths or heights
// mirror. The source may be the target itself: it is read as it was before
// the call.
void StretchBlt(Bitmap& target, const Rect& clip, int32_t xd, int32_t yd, int32_t wd, int32_t hd,
                const Bitmap& source, int32_t xs, int32_t ys, int32_t ws, int32_t hs, StretchMode mode);
// The same with the destination limited to a set of disjoint rectangles (a
// clip region's); the pixel mapping is computed once for all of them.
void StretchBlt(Bitmap& target, std::span<const Rect> clips, int32_t xd, int32_t yd, int32_t wd, int32_t hd,
                const Bitmap& source, int32_t xs, int32_t ys, int32_t ws, int32_t hs, StretchMode mode);

// One of several copies from the same source: destination and source
// rectangles as StretchBlt takes them.
struct StretchCopy {
    int32_t xd, yd, wd, hd;
    int32_t xs, ys, ws, hs;
};

// The copies as StretchBlt would draw them one after another (where they
// overlap, the later one shows), but row by row across all of them, so
// each destination row is written in one sweep.
void StretchBlts(Bitmap& target, std::span<const Rect> clips, std::span<const StretchCopy> copies,
                 const Bitmap& source, StretchMode mode);

} // namespace saver
