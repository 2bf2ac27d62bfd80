#pragma once
// The Linux window backend on SDL2. Each top-level form is a borderless SDL
// window (full-screen when its bounds are the screen's, above the others
// when it stays on top) whose renderer shows the form's surface through a
// streaming texture. Present only uploads the changed rectangle; the next
// PumpEvents shows the result with a vsync-locked present, once per pump, so
// frames never tear and a burst of paints costs one present.
//
// Native events become InputSink calls: keys as virtual-key codes (WM_SYSKEY*
// while Alt is held, Alt+F4 also as the close command), mouse motion and
// buttons in screen coordinates, SDL_QUIT (the session or a signal ending
// the process) as a termination request. A window whose parent is a foreign
// window (a screensaver host's preview pane, an X11 window id) draws straight
// into that window at the form's place; when the host goes away the
// application hears of it. There is no taskbar to hide: the
// shell calls are logged only. Everything the backend changes (the cursor,
// its windows) is undone when it is destroyed.
//
// The framework's screen is the primary display: its (0, 0) is that
// display's top-left corner, wherever the display lies on the desktop, and
// positions are reported in the same terms. While a full-screen window shows,
// every other display is covered by a black window of its own; input there
// is the full-screen window's input.

#include "gui/Backend.h"
#include "gui/backend/RecordedTaskbar.h"

#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
union SDL_Event;

namespace saver {

class X11Host;

class SdlBackend final : public Backend {
public:
    // Opens the display; throws saver::Exception with SDL's reason when
    // there is none.
    explicit SdlBackend(std::ostream& log);
    ~SdlBackend() override;
    SdlBackend(const SdlBackend&) = delete;
    SdlBackend& operator=(const SdlBackend&) = delete;

    Clock& GetClock() override { return m_clock; }
    Size ScreenSize() override;
    // Throws saver::Exception when the window cannot be created.
    void CreateNativeWindow(HWND window, const NativeWindowInfo& info) override;
    void DestroyNativeWindow(HWND window) override;
    void SetNativeWindowBounds(HWND window, const Rect& bounds) override;
    void ShowNativeWindow(HWND window, bool visible) override;
    void Present(HWND window, const Bitmap& surface, const Rect& dirty) override;
    // Foreign windows are X11 windows named by their id.
    bool GetForeignWindowRect(HWND foreign, Rect& rect) override;
    // The X root window: a saver drawn there covers the desktop.
    HWND DesktopWindow() override;
    uint32_t PumpEvents(InputSink& sink) override;
    // Where the last mouse event put the pointer (window coordinates plus
    // the window's place), so that every source of motion counts: a mouse,
    // a touchpad, injected absolute or relative moves. Before any event the
    // X server says where the pointer is.
    Point GetCursorPos() override;
    int ShowCursor(bool show) override;
    void MessageBox(const std::string& caption, const std::string& text) override;
    HWND FindWindowA(const std::string& className) override;
    bool ShowWindow(HWND foreign, int command) override;
    std::string GetTempPathA() override;
    std::string ExecutablePath() override;
    // Removes what was extracted into the private temporary folder (every
    // entry in it, links not followed); the folder itself stays.
    void RunEnded() override;

    // The X window that shows a framework window (the foreign window for one
    // drawn inside a host); 0 when it has none. Other programs' windows
    // (the Flash player's) are placed inside it.
    [[nodiscard]] unsigned long X11Window(HWND window) const;

    // For tests: the SDL id of a window (0 when it has none), where the
    // window system placed it, and the pixels it shows, read back from its
    // renderer (false when it has no picture yet).
    [[nodiscard]] uint32_t NativeWindowId(HWND window) const;
    [[nodiscard]] Rect NativeWindowRect(HWND window) const;
    bool ReadWindowPixels(HWND window, Bitmap& out);
    [[nodiscard]] bool CursorVisible() const;
    [[nodiscard]] bool TaskbarVisible() const { return m_taskbar.Visible(); }

    // Milliseconds PumpEvents asks to wait before it is called again when
    // nothing else wakes the loop: input waits at most this long, frames
    // not at all (every pass of the loop presents them). 50 wake-ups a
    // second keep a still picture near 0.1 % of a core.
    static constexpr uint32_t kPollMs = 20;
    // How often the hosts of windows inside foreign windows are looked for.
    static constexpr uint32_t kHostCheckMs = 250;

private:
    struct Window;
    Window* Find(HWND window);
    const Window* Find(HWND window) const;
    void Translate(const SDL_Event& event, InputSink& sink);
    Point ScreenPoint(uint32_t windowId, int32_t x, int32_t y) const;
    void Render(Window& window);
    void ApplyBounds(Window& window);
    bool IsFullScreen(const Window& window);
    // Makes or removes the covers of the other displays as the window's
    // state asks.
    void UpdateCovers(Window& window);
    // The framework window whose cover has this SDL id; 0 if none.
    [[nodiscard]] HWND CoverOwner(uint32_t windowId) const;
    void CreateRenderer(Window& window);
    X11Host& Host();
    void CheckHosts(InputSink& sink);

    std::ostream& m_log;
    SystemClock m_clock;
    std::map<HWND, std::unique_ptr<Window>> m_windows;
    uint64_t m_showOrder = 0;
    int m_cursorCount = 0;
    RecordedTaskbar m_taskbar{m_log};
    std::unique_ptr<X11Host> m_host;
    uint32_t m_lastHostCheck = 0;
    // The pointer as the last motion or button event placed it; until one
    // arrives the X server is asked.
    std::optional<Point> m_cursor;
    std::string m_tempFolder; // the private folder, once handed out
    Point m_origin;           // the primary display's top-left corner on the desktop
};

} // namespace saver
