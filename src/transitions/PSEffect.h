#pragma once
// The transition styles: the table that says for every style its name, the
// effect procedure that composes its frames and what the engine must know
// about it, and the frame helpers the procedures share.
//
// An effect procedure receives the frame being composed (`Screen`, holding
// the old image on entry), the new picture (`Picture`, same size, only
// read), the frame rectangle (0, 0, width, height), the control's Step and
// the Progress (1 to 99). It draws the frame for that progress into
// `Screen`, keeps no state between calls, never resizes or replaces either
// bitmap and leaves nothing selected into `Screen`'s canvas.

#include "core/Geometry.h"

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string_view>

namespace saver {

class Bitmap;
class Canvas;
class Region;

// Style number: 0 is "Custom" (frames drawn by the application), 1 to 150
// the built-in styles.
using TShowStyle = uint8_t;
inline constexpr TShowStyle kLastShowStyle = 150;

using TShowEffectProc = void (*)(Bitmap& Screen, const Bitmap& Picture, const Rect& R, uint32_t Step,
                                 uint32_t Progress);

// The lengths every geometric effect is built from, in pixels.
struct ProgressMetrics {
    int32_t FullWidth = 0;
    int32_t FullHeight = 0;
    int32_t ProgressWidth = 0;  // the width scaled by Progress
    int32_t ProgressHeight = 0; // the height scaled by Progress
    int32_t StepLength = 0;     // the longer side scaled by Step / 90; 0 for tiny frames

    constexpr bool operator==(const ProgressMetrics&) const = default;
};

// The region a region style reveals for a frame's metrics and Progress.
using ProgressRegionFn = Region (*)(TShowStyle style, const ProgressMetrics& metrics, uint32_t Progress);

// The families of styles, each drawn by the code of one effect file.
enum class StyleFamily : uint8_t {
    Rectangles,       // rectangles of the picture copied or stretched
    Curved,           // a rounded rectangle or circle
    Bars,             // 5-pixel bars
    Shreds,           // ragged 5-pixel strips
    CrissCross,       // bars and columns at once
    Diagonal,         // triangles
    Fade,             // the pictures blended
    Pivot,            // the picture turned about a corner
    Speckle,          // a solid part with random cells ahead
    RandomSquares,    // squares on a grid
    Push,             // the old image pushed or squeezed aside
    Blinds,           // strips repeated on a pitch
    RectangularShred, // a grid of growing rectangles
    Sweep,            // a circular sector
    BandsAndBlinds,   // bands opening about their centre lines
    Rotation,         // a turning rectangle or star
};

// The family's name in lists: "rectangles", "criss-cross", ...
[[nodiscard]] std::string_view StyleFamilyName(StyleFamily family);

// How a frame of the style is composed in one pass over the frame.
enum class FrameComposition : uint8_t {
    RectangleCopies, // the copies RectangleCopies gives, the old image under the rest
    RegionReveal,    // the picture inside RegionOf's region, the old image outside
    PixelBands,      // band by band from both pictures (ComposePixelFrame)
    PushedImage,     // the old image moved or squeezed, a strip of the picture (ComposePushFrame)
    Procedure,       // the old image, then the procedure
};

// A row of the style table: everything the engine asks about a style.
struct TShowStyleEntry {
    std::string_view Name;
    TShowEffectProc Proc;
    StyleFamily Family;
    FrameComposition Composition;
    // The region of a frame for RegionReveal styles; nullptr for the others.
    ProgressRegionFn RegionOf;
    // Reads and writes four-byte pixels of both bitmaps: the control keeps
    // them at 32 bits a pixel while the style is in use.
    bool Needs32Bit;
    // Draws from the process-wide random generator in every frame (or seeds it).
    bool UsesRandom;
};

// The built-in styles in order: ShowStyles[k - 1] is style k.
extern const std::array<TShowStyleEntry, kLastShowStyle> ShowStyles;

// The row of a built-in style; nullptr for 0 ("Custom") and above 150.
[[nodiscard]] const TShowStyleEntry* FindShowStyle(unsigned style);

// The row's Needs32Bit; false for "Custom" and numbers without a row.
[[nodiscard]] bool StyleNeeds32Bit(unsigned style);

// "Custom" for 0, the row's name for 1 to 150, empty above.
[[nodiscard]] std::string_view ShowStyleName(unsigned style);

// The style a name selects: "Custom" gives 0, otherwise the first row whose
// name matches, so a name stored twice always gives the lower number.
// Case is ignored by ASCII folding only (A-Z against a-z); every stored name
// is plain ASCII, so no locale can make a difference for a name that
// matches. Nothing matches: no value.
[[nodiscard]] std::optional<TShowStyle> FindShowStyleByName(std::string_view name);

inline std::ostream& operator<<(std::ostream& os, const ProgressMetrics& m)
{
    return os << m.FullWidth << 'x' << m.FullHeight << " progress " << m.ProgressWidth << 'x' << m.ProgressHeight
              << " step " << m.StepLength;
}

// Only the longer side (the width for a square) is scaled by Progress; the
// other follows from the rounded result, so both keep the frame's
// proportions. All scaling is MulDiv.
[[nodiscard]] ProgressMetrics CalcProgressMetrics(const Rect& R, uint32_t Step, uint32_t Progress);

// StretchBlt of `sourceRect` of `source` onto `destRect` of `dest`, in the
// canvas's stretch mode (left as it is). The source rectangle is first
// limited to the bitmap, and whatever remains is stretched over the whole
// destination. A flip swaps the destination's edges along that axis as
// (right + 1, left - 1), or (bottom + 1, top - 1), which mirrors the copy.
void MirrorStretchCopy(Canvas& dest, const Rect& destRect, const Bitmap& source, const Rect& sourceRect,
                       bool flipHorizontally, bool flipVertically);

} // namespace saver
