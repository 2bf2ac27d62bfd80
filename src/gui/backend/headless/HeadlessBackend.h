#pragma once
// The headless backend: no window system. A virtual clock, scripted input,
// an in-memory screen that the windows are composed onto, PNG dumps of that
// screen, and a log line on stderr for every message box and shell call.
//
// Controlled by the environment (see Options::FromEnvironment):
//   SAVER_SCREEN=WxH      screen size (default 800x600)
//   SAVER_SCRIPT=FILE     scripted input, one event a line (see ScriptEvent)
//   SAVER_RUN_MS=N        ask the application to terminate after N virtual ms
//   SAVER_DUMP=DIR        write the screen as DIR/<virtual ms>.png ...
//   SAVER_DUMP_MS=N       ... every N virtual ms (default 1000)

#include "gdi/Bitmap.h"
#include "gui/Backend.h"
#include "gui/backend/RecordedTaskbar.h"
#include "gui/backend/headless/VirtualClock.h"

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace saver {

// One line of an input script:
//   cursor X Y              (before the first "at" line) where the cursor starts
//   at T mousemove X Y      move the cursor
//   at T lbutton|rbutton|mbutton          press and release at the cursor
//   at T lbuttondown|lbuttonup|rbuttondown|rbuttonup|mbuttondown|mbuttonup
//   at T key VK             press and release a key (virtual-key code)
//   at T keydown VK | keyup VK
//   at T close              the system close command (Alt+F4)
//   at T screensave         the system's request to start a screensaver
//   at T terminate          the session asks the application to end
//   at T hostgone           the window hosting the preview is destroyed
// Blank lines and lines starting with # are ignored; T is virtual ms and
// must not decrease.
struct ScriptEvent {
    uint64_t Time = 0;
    std::string Kind;
    int32_t A = 0;
    int32_t B = 0;
};

struct InputScript {
    std::optional<Point> StartCursor;
    std::vector<ScriptEvent> Events;
};

// Throws saver::Exception naming the line on any malformed line.
InputScript ParseInputScript(const std::string& text);

class HeadlessBackend final : public Backend {
public:
    struct Options {
        Size Screen{800, 600};
        InputScript Script;
        std::optional<uint64_t> RunMs;
        std::string DumpDir;
        uint32_t DumpMs = 1000;
        std::string TempPath;   // empty: the private temporary folder
        std::string Executable; // empty: this process's executable

        // Reads the SAVER_* variables; throws saver::Exception on bad values.
        static Options FromEnvironment();
    };

    explicit HeadlessBackend(Options options, std::ostream& log);

    Clock& GetClock() override { return m_clock; }
    Size ScreenSize() override { return m_options.Screen; }
    void CreateNativeWindow(HWND window, const NativeWindowInfo& info) override;
    void DestroyNativeWindow(HWND window) override;
    void SetNativeWindowBounds(HWND window, const Rect& bounds) override;
    void ShowNativeWindow(HWND window, bool visible) override;
    void Present(HWND window, const Bitmap& surface, const Rect& dirty) override;
    bool GetForeignWindowRect(HWND foreign, Rect& rect) override;
    uint32_t PumpEvents(InputSink& sink) override;
    Point GetCursorPos() override { return m_cursor; }
    int ShowCursor(bool show) override;
    void MessageBox(const std::string& caption, const std::string& text) override;
    HWND FindWindowA(const std::string& className) override;
    bool ShowWindow(HWND foreign, int command) override;
    std::string GetTempPathA() override;
    std::string ExecutablePath() override;

    // For tests: the composed screen, shell state and every message box.
    [[nodiscard]] const Bitmap& Screen() const { return m_screen; }
    // The screen as it was when the run time ran out (empty before).
    [[nodiscard]] const Bitmap& FinalScreen() const { return m_finalScreen; }
    [[nodiscard]] bool TaskbarVisible() const { return m_taskbar.Visible(); }
    [[nodiscard]] int CursorShowCount() const { return m_cursorCount; }
    [[nodiscard]] const std::vector<std::string>& MessageBoxes() const { return m_messageBoxes; }
    [[nodiscard]] uint64_t Now() { return m_clock.Now(); }
    // Writes the screen as a PNG now (also used for the periodic dumps).
    void DumpScreen(const std::string& path);

private:
    struct Window {
        NativeWindowInfo Info;
        bool Visible = false;
        const Bitmap* Surface = nullptr;
        uint64_t Order = 0;
    };
    void Deliver(const ScriptEvent& event, InputSink& sink);
    void Compose();

    Options m_options;
    std::ostream& m_log;
    VirtualClock m_clock;
    Bitmap m_screen{PixelFormat::pf32bit};
    Bitmap m_finalScreen{PixelFormat::pf32bit};
    std::map<HWND, Window> m_windows;
    uint64_t m_nextOrder = 0;
    size_t m_nextEvent = 0;
    uint64_t m_nextDump = 0;
    bool m_terminateSent = false;
    Point m_cursor;
    int m_cursorCount = 0;
    RecordedTaskbar m_taskbar{m_log};
    std::vector<std::string> m_messageBoxes;
};

} // namespace saver
