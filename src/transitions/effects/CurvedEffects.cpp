// Curved reveals from an edge or a corner and the circular reveals: one
// rounded rectangle each. The rectangle reaches far beyond the edges the
// reveal starts from, so only its leading arc is seen; GDI clamps the corner
// ellipse to the rectangle.

#include "transitions/effects/RegionEffects.h"

namespace saver {
namespace {

using namespace lengths;

struct CurvedRow {
    TShowStyle Style;
    FrameLength Left, Top, Right, Bottom, EllipseWidth, EllipseHeight;
    // The rest of the frame (the frame XOR the rounded rectangle) shows.
    bool Outside = false;
};

constexpr CurvedRow kRows[] = {
    {58, -2 * W, -5, 2 * PW, H + 5, 2 * W, 2 * W},        // Curved Reveal from left
    {59, W - 2 * PW, -5, 3 * W, H + 5, 2 * W, 2 * W},     // Curved Reveal from right
    {69, -5, -2 * H, W + 5, 2 * PH, 2 * H, 2 * H},        // Curved Reveal from top
    {70, -5, H - 2 * PH, W + 5, 3 * H, 2 * H, 2 * H},     // Curved Reveal from bottom
    {80, -2 * W, -2 * H, 2 * PW, 2 * PH, 2 * W, 2 * H},   // Curved reveal from top left
    {81, W - 2 * PW, -2 * H, 3 * W, 2 * PH, 2 * W, 2 * H}, // Curved reveal from top right
    {82, -2 * W, H - 2 * PH, 2 * PW, 3 * H, 2 * W, 2 * H}, // Curved reveal from bottom left
    // Curved reveal from bottom right: a circle of radius H, not an ellipse
    {83, W - 2 * PW, H - 2 * PH, 3 * W, 3 * H, 2 * H, 2 * H},
    // Circular reveal from centre: half-size PW x PH, corners nine tenths
    {84, HalfW - PW, HalfH - PH, HalfW + PW, HalfH + PH, (9 * PW) / 5, (9 * PH) / 5},
    // Circular reveal to centre: the same shape shrinking from twice the
    // frame's size, the frame outside it showing
    {85, PW - HalfW, PH - HalfH, W + HalfW - PW, H + HalfH - PH, (9 * (W - PW)) / 5, (9 * (H - PH)) / 5, true},
};

// Coordinates of frames up to Bitmap::kMaxDimension stay within 3 frame
// lengths, well inside 32 bits.
int32_t At(const FrameLength& length, const ProgressMetrics& m) { return int32_t(length(m)); }

} // namespace

Region CurvedRegion(TShowStyle style, const ProgressMetrics& m)
{
    const CurvedRow* row = FindStyleRow(kRows, style);
    if (!row)
        return {};
    Region region = Region::CreateRoundRectRgn(At(row->Left, m), At(row->Top, m), At(row->Right, m),
                                               At(row->Bottom, m), At(row->EllipseWidth, m),
                                               At(row->EllipseHeight, m));
    if (row->Outside)
        region.Combine(Region::CreateRectRgn(0, 0, m.FullWidth, m.FullHeight), region, CombineMode::Xor);
    return region;
}

} // namespace saver
