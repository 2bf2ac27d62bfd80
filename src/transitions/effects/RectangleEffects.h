#pragma once
// The rectangles family: every frame is one to four rectangles of the new picture
// copied, stretched where the sizes differ, onto the old image. Each style
// is a row of a table that yields its copies for the frame's metrics; one
// executor performs them.

#include "transitions/PSEffect.h"

#include <ostream>
#include <span>
#include <vector>

namespace saver {

// One copy: the Source rectangle of the picture onto the Dest rectangle of
// the frame. A flipped copy goes through MirrorStretchCopy.
struct RectCopy {
    Rect Dest;
    Rect Source;
    bool FlipHorizontally = false;
    bool FlipVertically = false;

    constexpr bool operator==(const RectCopy&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const RectCopy& c)
{
    os << c.Dest << " <- " << c.Source;
    if (c.FlipHorizontally)
        os << " mirrored horizontally";
    if (c.FlipVertically)
        os << " mirrored vertically";
    return os;
}

// The copies of a rectangle style, in drawing order, for metrics of a frame
// no larger than a bitmap can be; none for other styles. Styles 16, 17, 33
// and 34 divide by StepLength, which is 0 for tiny frames: they divide by
// max(StepLength, 1) instead, as if it were 1.
[[nodiscard]] std::vector<RectCopy> RectangleCopies(TShowStyle style, const ProgressMetrics& metrics);

// Performs the copies onto `Screen` in order, plain ones with the canvas's
// StretchBlt in its current stretch mode.
void DrawCopies(Bitmap& Screen, const Bitmap& Picture, std::span<const RectCopy> copies);

// The effect procedure of a rectangle style, taking the style as an argument.
void DrawRectangleStyle(TShowStyle style, Bitmap& Screen, const Bitmap& Picture, const Rect& R, uint32_t Step,
                        uint32_t Progress);

} // namespace saver
