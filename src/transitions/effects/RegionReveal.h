#pragma once
// The frame step of the region styles: the new picture shows through a
// region built for the frame's progress, the old image stays elsewhere.
// Each family supplies only the region; the step and the lengths its tables
// are written in are shared here.

#include "gdi/Region.h"
#include "transitions/PSEffect.h"

#include <cstdint>
#include <optional>

namespace saver {

// The region a style of a family reveals for a frame's metrics, for a
// family whose region needs nothing else; families whose region also
// depends on Progress itself (a count of steps, an angle, which the metrics
// give only rounded) are ProgressRegionFn.
using StyleRegionFn = Region (*)(TShowStyle style, const ProgressMetrics& metrics);

// A StyleRegionFn as a ProgressRegionFn, for the style table.
template <StyleRegionFn RegionOf>
Region IgnoringProgress(TShowStyle style, const ProgressMetrics& metrics, uint32_t)
{
    return RegionOf(style, metrics);
}

// Selects `region` as the clip region of `Screen`'s canvas, draws `Picture`
// at (0, 0) through it and removes the clip region again.
void RevealRegion(Bitmap& Screen, const Bitmap& Picture, const Region& region);

// The region the frame step reveals; none when the frame draws nothing (a
// frame no bitmap can have, empty or beyond the largest size, or a region
// too complex for the region type). Progress above 100 counts as 100.
[[nodiscard]] std::optional<Region> StyleFrameRegion(ProgressRegionFn regionOf, TShowStyle style, const Rect& R,
                                                     uint32_t Step, uint32_t Progress);

// The whole frame step: metrics, the style's region, the reveal.
void RevealStyleRegion(ProgressRegionFn regionOf, TShowStyle style, Bitmap& Screen, const Bitmap& Picture,
                       const Rect& R, uint32_t Step, uint32_t Progress);

// The same as the procedure of a region family, taking the style.
template <ProgressRegionFn RegionOf>
void RevealFamilyRegion(TShowStyle style, Bitmap& Screen, const Bitmap& Picture, const Rect& R, uint32_t Step,
                        uint32_t Progress)
{
    RevealStyleRegion(RegionOf, style, Screen, Picture, R, Step, Progress);
}

// A length of a frame's geometry, as the style tables write them:
// (a W + b H + c PW + d PH + e (W div 2) + f (H div 2) + offset) div divisor,
// built at compile time with + - * / from the terms in `lengths`, so that a
// row reads like its formula, e.g. `W - 2 * PW` or `(9 * (W - PW)) / 5`.
// Division truncates toward zero and applies to the whole sum, so a quotient
// takes no further terms.
struct FrameLength {
    int32_t W = 0, H = 0, PW = 0, PH = 0, HalfW = 0, HalfH = 0;
    int32_t Offset = 0;
    int32_t Divisor = 1;

    constexpr FrameLength() = default;
    constexpr FrameLength(int32_t offset) : Offset(offset) {} // a plain number is a length

    static consteval FrameLength Term(int32_t FrameLength::*term)
    {
        FrameLength l;
        l.*term = 1;
        return l;
    }

    // In 64 bits: the tables' lengths stay a few frame sizes long.
    [[nodiscard]] constexpr int64_t operator()(const ProgressMetrics& m) const
    {
        const int64_t sum = int64_t{W} * m.FullWidth + int64_t{H} * m.FullHeight + int64_t{PW} * m.ProgressWidth +
                            int64_t{PH} * m.ProgressHeight + int64_t{HalfW} * (m.FullWidth / 2) +
                            int64_t{HalfH} * (m.FullHeight / 2) + Offset;
        return sum / Divisor;
    }

    friend consteval FrameLength operator*(int32_t k, FrameLength a)
    {
        if (a.Divisor != 1)
            throw "a quotient takes no further terms";
        a.W *= k, a.H *= k, a.PW *= k, a.PH *= k, a.HalfW *= k, a.HalfH *= k, a.Offset *= k;
        return a;
    }
    friend consteval FrameLength operator+(FrameLength a, FrameLength b)
    {
        if (a.Divisor != 1 || b.Divisor != 1)
            throw "a quotient takes no further terms";
        a.W += b.W, a.H += b.H, a.PW += b.PW, a.PH += b.PH, a.HalfW += b.HalfW, a.HalfH += b.HalfH;
        a.Offset += b.Offset;
        return a;
    }
    friend consteval FrameLength operator-(FrameLength a, FrameLength b) { return a + -1 * b; }
    friend consteval FrameLength operator-(FrameLength a) { return -1 * a; }
    friend consteval FrameLength operator/(FrameLength a, int32_t divisor)
    {
        if (a.Divisor != 1 || divisor <= 0)
            throw "one positive divisor";
        a.Divisor = divisor;
        return a;
    }
};

namespace lengths {
inline constexpr FrameLength W = FrameLength::Term(&FrameLength::W);
inline constexpr FrameLength H = FrameLength::Term(&FrameLength::H);
inline constexpr FrameLength PW = FrameLength::Term(&FrameLength::PW);
inline constexpr FrameLength PH = FrameLength::Term(&FrameLength::PH);
inline constexpr FrameLength HalfW = FrameLength::Term(&FrameLength::HalfW); // W div 2
inline constexpr FrameLength HalfH = FrameLength::Term(&FrameLength::HalfH); // H div 2
} // namespace lengths

} // namespace saver
