#pragma once
// Foreign X11 windows: the windows a screensaver host hands us (the preview
// pane, XScreenSaver's window) by their X window id. A connection of our
// own asks the X server about them; X errors about windows that went away
// are expected here and must not end the process, so a non-fatal error
// handler replaces Xlib's default (which exits) while this object lives.

#include "core/Geometry.h"

#include <cstdint>
#include <optional>

namespace saver {

class X11Host {
public:
    // Without an X display (another SDL video driver) every query says the
    // window does not exist.
    X11Host();
    ~X11Host();
    X11Host(const X11Host&) = delete;
    X11Host& operator=(const X11Host&) = delete;

    [[nodiscard]] bool Connected() const { return m_display != nullptr; }
    // The window's rectangle in screen coordinates; none when there is no
    // such window.
    [[nodiscard]] std::optional<Rect> WindowRect(uint32_t window);
    [[nodiscard]] bool Exists(uint32_t window) { return WindowRect(window).has_value(); }
    // Whether the X server lets clients render on its graphics hardware
    // (DRI3 or DRI2). Without it OpenGL is a software rasteriser.
    [[nodiscard]] bool DirectRendering() const;
    // The default screen's root window; 0 without a display.
    [[nodiscard]] uint32_t RootWindowId() const;
    // Where the pointer is on the screen, asked of the X server; none
    // without a display or when the pointer is on another screen.
    [[nodiscard]] std::optional<Point> PointerPosition() const;

private:
    void* m_display = nullptr; // Display*
};

} // namespace saver
