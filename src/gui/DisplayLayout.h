#pragma once
// Which display shows the saver and which ones are only covered. The saver's
// picture goes on the primary display; every other display gets a black
// window of its own, so that no part of the desktop stays in view. Pure
// arithmetic on the list a backend reads from the window system, so that
// every backend places its windows by the same rules.

#include "core/Geometry.h"

#include <vector>

namespace saver {

struct DisplayInfo {
    Rect Bounds; // in the window system's desktop coordinates
    bool Primary = false;
};

struct DisplayPlacement {
    Rect Primary;             // empty when the list has no usable display
    std::vector<Rect> Covers; // the other displays, each once, in list order
};

// The primary display is the one flagged primary (the first flagged one),
// else the first usable one. Displays with empty bounds are ignored, and so
// is a display that lies wholly inside the primary one or inside a display
// already covered (a mirror or a duplicate shows nothing of its own).
[[nodiscard]] DisplayPlacement PlaceDisplays(const std::vector<DisplayInfo>& displays);

} // namespace saver
