#include "gui/DisplayLayout.h"

#include <algorithm>

namespace saver {
namespace {

bool Inside(const Rect& inner, const Rect& outer)
{
    return inner.Left >= outer.Left && inner.Top >= outer.Top && inner.Right <= outer.Right &&
           inner.Bottom <= outer.Bottom;
}

} // namespace

DisplayPlacement PlaceDisplays(const std::vector<DisplayInfo>& displays)
{
    DisplayPlacement placement;
    const DisplayInfo* primary = nullptr;
    for (const DisplayInfo& display : displays) {
        if (display.Bounds.IsEmpty())
            continue;
        if (!primary || (display.Primary && !primary->Primary))
            primary = &display;
    }
    if (!primary)
        return placement;
    placement.Primary = primary->Bounds;
    for (const DisplayInfo& display : displays) {
        const Rect& b = display.Bounds;
        if (&display == primary || b.IsEmpty() || Inside(b, placement.Primary))
            continue;
        if (std::any_of(placement.Covers.begin(), placement.Covers.end(),
                        [&](const Rect& covered) { return Inside(b, covered); }))
            continue;
        placement.Covers.push_back(b);
    }
    return placement;
}

} // namespace saver
