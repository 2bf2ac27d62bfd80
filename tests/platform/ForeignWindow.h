#pragma once
// A window of another program on the test display, as a screensaver host
// makes one for the preview (kept apart from the tests: Xlib's macros clash
// with GoogleTest's names).

#include "core/Color.h"
#include "gui/Messages.h"

#include <cstdint>

namespace saver::test {

class ForeignWindow {
public:
    // A mapped top-level window with a black background; Handle() is 0 when
    // there is no display.
    ForeignWindow(int32_t x, int32_t y, int32_t width, int32_t height);
    ~ForeignWindow();
    ForeignWindow(const ForeignWindow&) = delete;
    ForeignWindow& operator=(const ForeignWindow&) = delete;

    [[nodiscard]] HWND Handle() const { return HWND(m_window); }
    void Destroy();
    // The colour the X server holds at a point of the window.
    [[nodiscard]] TColor PixelAt(int32_t x, int32_t y);
    // The colour the X server holds at a point of the root window.
    [[nodiscard]] static TColor RootPixelAt(int32_t x, int32_t y);
    // Moves the pointer to a point of the screen, as another client would.
    static void WarpPointer(int32_t x, int32_t y);

private:
    void* m_display; // Display*
    unsigned long m_window = 0;
};

} // namespace saver::test
