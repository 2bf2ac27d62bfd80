#include "transitions/effects/RegionReveal.h"

#include "core/Error.h"
#include "gdi/Bitmap.h"
#include "gdi/Canvas.h"

#include <algorithm>

namespace saver {

void RevealRegion(Bitmap& Screen, const Bitmap& Picture, const Region& region)
{
    if (region.IsEmpty())
        return;
    Canvas& canvas = Screen.GetCanvas();
    // The clip region goes again even if drawing fails.
    const CanvasStateSaver restore(canvas);
    canvas.SelectClipRgn(&region);
    canvas.Draw(0, 0, Picture);
}

std::optional<Region> StyleFrameRegion(ProgressRegionFn regionOf, TShowStyle style, const Rect& R, uint32_t Step,
                                       uint32_t Progress)
{
    const uint32_t progress = std::min<uint32_t>(Progress, 100);
    const ProgressMetrics m = CalcProgressMetrics(R, Step, progress);
    if (m.FullWidth <= 0 || m.FullHeight <= 0 || m.FullWidth > Bitmap::kMaxDimension ||
        m.FullHeight > Bitmap::kMaxDimension)
        return std::nullopt;
    try {
        return regionOf(style, m, progress);
    } catch (const Exception&) {
        // Beyond the region type's limits (millions of rectangles on a huge
        // frame): like a failing region call, it leaves the frame as it is.
        return std::nullopt;
    }
}

void RevealStyleRegion(ProgressRegionFn regionOf, TShowStyle style, Bitmap& Screen, const Bitmap& Picture,
                       const Rect& R, uint32_t Step, uint32_t Progress)
{
    if (const std::optional<Region> region = StyleFrameRegion(regionOf, style, R, Step, Progress))
        RevealRegion(Screen, Picture, *region);
}

} // namespace saver
