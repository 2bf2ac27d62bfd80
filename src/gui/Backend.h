#pragma once
// What the framework needs from a platform: native windows that show the
// surfaces the framework paints, input, the clock, message boxes and the few
// shell calls the saver makes. Behaviour stays in the framework; a backend
// only mirrors state and translates events.

#include "core/Geometry.h"
#include "gui/Clock.h"
#include "gui/Messages.h"

#include <cstdint>
#include <string>

namespace saver {

class Bitmap;

// How a backend reports native events to the application.
class InputSink {
public:
    virtual ~InputSink() = default;
    virtual void MouseMoved(Point screen) = 0;
    virtual void MouseButton(uint32_t downOrUpMessage, Point screen) = 0;
    // A mouse move or button (WM_MOUSEMOVE or a button message) on a backend
    // window that stands in for `window` (the black cover of another
    // display): it is that window's input wherever the point lies.
    virtual void MouseOn(HWND window, uint32_t message, Point screen)
    {
        (void)window;
        if (message == WM_MOUSEMOVE)
            MouseMoved(screen);
        else
            MouseButton(message, screen);
    }
    virtual void Key(uint32_t downOrUpMessage, uint16_t virtualKey) = 0;
    // A system command for the active window (close: Alt+F4; screensave).
    virtual void SystemCommand(WPARAM command) = 0;
    // The session asks the application to end (run time over, signal).
    virtual void TerminateRequested() = 0;
    // A foreign window that hosts one of ours went away.
    virtual void HostWindowDestroyed(HWND host) = 0;
};

struct NativeWindowInfo {
    HWND ForeignParent = 0; // 0: a top-level window of its own
    Rect Bounds;            // screen coordinates, or client coordinates of ForeignParent
    bool StayOnTop = false;
    std::string Caption;
};

class Backend {
public:
    virtual ~Backend() = default;

    // Time.
    virtual Clock& GetClock() = 0;

    // Windows. The framework owns each window's pixels (its surface) and calls
    // Present after painting into it.
    virtual Size ScreenSize() = 0;
    virtual void CreateNativeWindow(HWND window, const NativeWindowInfo& info) = 0;
    virtual void DestroyNativeWindow(HWND window) = 0;
    virtual void SetNativeWindowBounds(HWND window, const Rect& bounds) = 0;
    virtual void ShowNativeWindow(HWND window, bool visible) = 0;
    virtual void Present(HWND window, const Bitmap& surface, const Rect& dirty) = 0;
    // GetWindowRect of a foreign window; false when it does not exist.
    virtual bool GetForeignWindowRect(HWND foreign, Rect& rect) = 0;
    // The desktop's own window, as a foreign window to draw on; 0 when the
    // platform has none to offer.
    virtual HWND DesktopWindow() { return 0; }

    // Input. Delivers pending native events to the sink and returns how many
    // milliseconds may pass before it wants to be pumped again (INFINITE:
    // only when something is posted).
    virtual uint32_t PumpEvents(InputSink& sink) = 0;
    virtual Point GetCursorPos() = 0;
    virtual int ShowCursor(bool show) = 0;

    // Modal message box with an OK button; returns when dismissed.
    virtual void MessageBox(const std::string& caption, const std::string& text) = 0;

    // Shell: FindWindowA by class name (no title) and ShowWindow on the result.
    virtual HWND FindWindowA(const std::string& className) = 0;
    virtual bool ShowWindow(HWND foreign, int command) = 0;

    // Files.
    virtual std::string GetTempPathA() = 0;
    virtual std::string ExecutablePath() = 0;
    // A saver run ended normally: a backend whose temporary folder is its
    // own empties it, so that the user's pictures do not stay behind.
    virtual void RunEnded() {}
};

} // namespace saver
