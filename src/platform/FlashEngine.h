#pragma once
// What the Flash control needs from a movie player: load a movie, play it,
// report its frame count and the frame now shown, and draw itself. On
// Windows this is the Shockwave Flash ActiveX control; elsewhere a stand-in
// that reads the movie header and runs the movie's frame clock.

#include "core/Geometry.h"
#include "gui/Messages.h"

#include <cstdint>
#include <string>

namespace saver {

class Canvas;

class FlashEngine {
public:
    virtual ~FlashEngine() = default;
    // Drops the movie shown and loads this one; throws saver::Exception when
    // the file cannot be loaded as a movie.
    virtual void LoadMovie(const std::string& path) = 0;
    virtual void Play() = 0;
    [[nodiscard]] virtual int32_t TotalFrames() = 0;
    [[nodiscard]] virtual int32_t CurrentFrame() = 0;
    // Draws the current frame over the client rectangle.
    virtual void Paint(Canvas& canvas, const Rect& client) = 0;
    // Where the control lies: in the client area of the top-level window
    // `frameworkParent` (0 when it has none yet, or no more), at `bounds`,
    // shown or not. An engine with a window of its own (the ActiveX
    // control) moves it there; one that is painted by the framework ignores
    // it.
    virtual void Place(HWND frameworkParent, const Rect& bounds, bool visible)
    {
        (void)frameworkParent;
        (void)bounds;
        (void)visible;
    }
};

} // namespace saver
