#pragma once
// The Windows window backend. Each top-level form is a native popup window
// (above the others when it stays on top; a form with the screen's bounds
// covers the screen); a form whose parent is a foreign window (the preview
// pane named on the command line) becomes a child window inside it, sized to
// its client area. Every window keeps a DIB section with the last picture the
// framework presented: Present copies the changed rectangle into it and
// draws that rectangle at once, WM_PAINT redraws from it.
//
// PumpEvents runs the thread's native message loop; the window procedure
// turns input into InputSink calls (mouse positions in screen coordinates,
// keys as the virtual-key codes they already are), hands the close and
// screensave system commands to the application instead of acting on them,
// and turns WM_CLOSE and the end of the session into a termination request.
// A host window that goes away is noticed when our child in it is destroyed,
// and by a look every kHostCheckMs in case a host dies without telling us.
// Everything the backend changes (the cursor's display count, a taskbar it
// hid, its windows, the window class) is undone when it is destroyed.
//
// While a window with the screen's bounds (the primary monitor's) shows,
// every other monitor is covered by a black popup window of its own; mouse
// input there is the covered-for window's.
//
// No Windows header is included here: native handles travel as void* or as
// the framework's HWND number.

#include "gui/Backend.h"

#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <vector>

namespace saver {

class Win32Backend final : public Backend {
public:
    // Registers the window class; throws saver::Exception when it cannot.
    explicit Win32Backend(std::ostream& log);
    ~Win32Backend() override;
    Win32Backend(const Win32Backend&) = delete;
    Win32Backend& operator=(const Win32Backend&) = delete;

    // The most recently created backend that still exists, or nullptr. For
    // platform pieces that need our native windows (the Flash control host).
    static Win32Backend* Current();

    Clock& GetClock() override { return m_clock; }
    Size ScreenSize() override;
    // Throws saver::Exception when the window cannot be created (for a child
    // window: when its host window does not exist).
    void CreateNativeWindow(HWND window, const NativeWindowInfo& info) override;
    void DestroyNativeWindow(HWND window) override;
    void SetNativeWindowBounds(HWND window, const Rect& bounds) override;
    void ShowNativeWindow(HWND window, bool visible) override;
    void Present(HWND window, const Bitmap& surface, const Rect& dirty) override;
    bool GetForeignWindowRect(HWND foreign, Rect& rect) override;
    uint32_t PumpEvents(InputSink& sink) override;
    Point GetCursorPos() override;
    int ShowCursor(bool show) override;
    void MessageBox(const std::string& caption, const std::string& text) override;
    HWND FindWindowA(const std::string& className) override;
    bool ShowWindow(HWND foreign, int command) override;
    // The system's temporary folder, ending with a backslash; a path longer
    // than 254 characters is refused with saver::Exception (the saver's file
    // names are built on it and must not be cut short). See ProcessPaths.h.
    std::string GetTempPathA() override;
    // The full path of the running program; empty when the system cannot
    // tell it.
    std::string ExecutablePath() override;

    // The native window (an HWND as void*) of a framework window; nullptr
    // when it has none (never created, destroyed, or its host is gone).
    [[nodiscard]] void* NativeHandle(HWND frameworkWindow) const;

    // Milliseconds PumpEvents asks to wait before it is called again.
    static constexpr uint32_t kPollMs = 5;
    // How often the hosts of windows inside foreign windows are looked for.
    static constexpr uint32_t kHostCheckMs = 250;

private:
    struct Window;
    // Native entry points (window procedure, painting), defined where the
    // Windows headers are.
    struct Native;
    // Input that arrived from a window procedure, delivered to the sink in
    // order at the end of the pump that dispatched it.
    struct Input {
        enum class Kind { Move, Button, Key, SystemCommand, Terminate, HostGone };
        Kind What;
        uint32_t Message = 0;
        uintptr_t Value = 0; // key, command or host window
        Point Screen;
        HWND CoverFor = 0; // mouse input on a cover: the window it covers for
    };

    Window* Find(HWND window);
    const Window* Find(HWND window) const;
    void Queue(const Input& input) { m_input.push_back(input); }
    void HostGone(Window& window);
    void CheckHosts();
    void Deliver(InputSink& sink);
    void* NewestShownWindow() const;
    // Makes or removes the covers of the other monitors as the window's
    // bounds ask (it is shown).
    void UpdateCovers(HWND handle, Window& window);

    std::ostream& m_log;
    SystemClock m_clock;
    std::map<HWND, std::unique_ptr<Window>> m_windows;
    std::vector<Input> m_input;
    bool m_pumping = false; // inside PumpEvents' message loop
    uint64_t m_showOrder = 0;
    int m_cursorChange = 0;           // our net ShowCursor calls, undone at the end
    std::set<uintptr_t> m_hiddenByUs; // foreign windows we hid and have not shown again
    uint32_t m_lastHostCheck = 0;
};

} // namespace saver
