#include "gui/backend/headless/HeadlessBackend.h"

#include "core/Error.h"
#include "gdi/Canvas.h"
#include "gdi/PngFile.h"
#include "gui/backend/ProcessPaths.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace saver {
namespace {

constexpr uint32_t kLowWait = 0;
// What the screen shows where no window is: the platform's classic desktop.
constexpr TColor kDesktopColor = RGB(0, 128, 128);

bool ParseNumber(const std::string& text, int64_t& value)
{
    const char* begin = text.data();
    const char* end = begin + text.size();
    auto [ptr, ec] = std::from_chars(begin, end, value);
    return ec == std::errc() && ptr == end;
}

int32_t ParseCoordinate(const std::string& text, int lineNumber)
{
    int64_t v = 0;
    if (!ParseNumber(text, v) || v < INT32_MIN || v > INT32_MAX)
        throw Exception("script line " + std::to_string(lineNumber) + ": bad number '" + text + "'");
    return int32_t(v);
}

} // namespace

InputScript ParseInputScript(const std::string& text)
{
    InputScript script;
    std::istringstream lines(text);
    std::string line;
    int lineNumber = 0;
    uint64_t lastTime = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;)
            w.push_back(word);
        if (w.empty() || w[0][0] == '#')
            continue;
        const std::string where = "script line " + std::to_string(lineNumber) + ": ";
        if (w[0] == "cursor") {
            if (w.size() != 3 || !script.Events.empty())
                throw Exception(where + "'cursor X Y' must come before the first 'at' line");
            script.StartCursor = Point{ParseCoordinate(w[1], lineNumber), ParseCoordinate(w[2], lineNumber)};
            continue;
        }
        int64_t time = 0;
        if (w[0] != "at" || w.size() < 3 || !ParseNumber(w[1], time) || time < 0)
            throw Exception(where + "expected 'at TIME EVENT ...'");
        if (uint64_t(time) < lastTime)
            throw Exception(where + "times must not decrease");
        lastTime = uint64_t(time);
        ScriptEvent event;
        event.Time = uint64_t(time);
        event.Kind = w[2];
        static const std::vector<std::string> kNoArgs = {
            "lbutton",     "rbutton",   "mbutton", "lbuttondown", "lbuttonup",  "rbuttondown", "rbuttonup",
            "mbuttondown", "mbuttonup", "close",   "screensave",  "terminate", "hostgone"};
        if (event.Kind == "mousemove") {
            if (w.size() != 5)
                throw Exception(where + "expected 'mousemove X Y'");
            event.A = ParseCoordinate(w[3], lineNumber);
            event.B = ParseCoordinate(w[4], lineNumber);
        } else if (event.Kind == "key" || event.Kind == "keydown" || event.Kind == "keyup") {
            if (w.size() != 4)
                throw Exception(where + "expected '" + event.Kind + " VK'");
            event.A = ParseCoordinate(w[3], lineNumber);
            if (event.A < 0 || event.A > 0xFFFF)
                throw Exception(where + "virtual-key code out of range");
        } else if (std::find(kNoArgs.begin(), kNoArgs.end(), event.Kind) != kNoArgs.end()) {
            if (w.size() != 3)
                throw Exception(where + "'" + event.Kind + "' takes no arguments");
        } else {
            throw Exception(where + "unknown event '" + event.Kind + "'");
        }
        script.Events.push_back(event);
    }
    return script;
}

HeadlessBackend::Options HeadlessBackend::Options::FromEnvironment()
{
    Options options;
    if (const char* screen = std::getenv("SAVER_SCREEN"); screen && *screen) {
        const std::string s = screen;
        const auto x = s.find('x');
        int64_t w = 0, h = 0;
        if (x == std::string::npos || !ParseNumber(s.substr(0, x), w) || !ParseNumber(s.substr(x + 1), h) || w < 1 ||
            h < 1 || w > 16384 || h > 16384)
            throw Exception("SAVER_SCREEN must be WIDTHxHEIGHT (1 to 16384), not '" + s + "'");
        options.Screen = {int32_t(w), int32_t(h)};
    }
    if (const char* path = std::getenv("SAVER_SCRIPT"); path && *path) {
        FILE* file = std::fopen(path, "rb");
        if (!file)
            throw Exception(std::string("Cannot read SAVER_SCRIPT file ") + path);
        std::string text;
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            text.append(buffer, n);
        std::fclose(file);
        options.Script = ParseInputScript(text);
    }
    if (const char* run = std::getenv("SAVER_RUN_MS"); run && *run) {
        int64_t ms = 0;
        if (!ParseNumber(run, ms) || ms < 0)
            throw Exception(std::string("SAVER_RUN_MS must be a number of milliseconds, not '") + run + "'");
        options.RunMs = uint64_t(ms);
    }
    if (const char* dump = std::getenv("SAVER_DUMP"); dump && *dump)
        options.DumpDir = dump;
    if (const char* every = std::getenv("SAVER_DUMP_MS"); every && *every) {
        int64_t ms = 0;
        if (!ParseNumber(every, ms) || ms < 1 || ms > INT32_MAX)
            throw Exception(std::string("SAVER_DUMP_MS must be a positive number, not '") + every + "'");
        options.DumpMs = uint32_t(ms);
    }
    return options;
}

HeadlessBackend::HeadlessBackend(Options options, std::ostream& log) : m_options(std::move(options)), m_log(log)
{
    m_screen.SetSize(m_options.Screen.Width, m_options.Screen.Height);
    Compose();
    if (m_options.Script.StartCursor)
        m_cursor = *m_options.Script.StartCursor;
    else
        m_cursor = {m_options.Screen.Width / 2, m_options.Screen.Height / 2};
    if (!m_options.DumpDir.empty())
        std::filesystem::create_directories(m_options.DumpDir);
}

void HeadlessBackend::CreateNativeWindow(HWND window, const NativeWindowInfo& info)
{
    Window& w = m_windows[window];
    w.Info = info;
    w.Order = m_nextOrder++;
}

void HeadlessBackend::DestroyNativeWindow(HWND window)
{
    m_windows.erase(window);
    Compose();
}

void HeadlessBackend::SetNativeWindowBounds(HWND window, const Rect& bounds)
{
    auto it = m_windows.find(window);
    if (it == m_windows.end())
        return;
    it->second.Info.Bounds = bounds;
}

void HeadlessBackend::ShowNativeWindow(HWND window, bool visible)
{
    auto it = m_windows.find(window);
    if (it == m_windows.end())
        return;
    it->second.Visible = visible;
    if (visible)
        it->second.Order = m_nextOrder++;
    Compose();
}

void HeadlessBackend::Present(HWND window, const Bitmap& surface, const Rect&)
{
    auto it = m_windows.find(window);
    if (it == m_windows.end())
        return;
    it->second.Surface = &surface;
    Compose();
}

void HeadlessBackend::Compose()
{
    // Bottom to top: ordinary windows by the order they were shown, then the
    // stay-on-top ones. A hosted window sits in its host, which covers the
    // whole screen here.
    std::vector<const Window*> order;
    for (const auto& [handle, w] : m_windows)
        if (w.Visible && w.Surface)
            order.push_back(&w);
    std::sort(order.begin(), order.end(), [](const Window* a, const Window* b) {
        if (a->Info.StayOnTop != b->Info.StayOnTop)
            return !a->Info.StayOnTop;
        return a->Order < b->Order;
    });
    Canvas& canvas = m_screen.GetCanvas();
    canvas.Brush.Color = kDesktopColor;
    canvas.FillRect({0, 0, m_screen.Width(), m_screen.Height()});
    for (const Window* w : order) {
        canvas.SetDeviceClip(w->Info.Bounds);
        canvas.Draw(w->Info.Bounds.Left, w->Info.Bounds.Top, *w->Surface);
        canvas.SetDeviceClip(std::nullopt);
    }
}

bool HeadlessBackend::GetForeignWindowRect(HWND, Rect& rect)
{
    // Any number names the host, which is as large as the screen.
    rect = {0, 0, m_options.Screen.Width, m_options.Screen.Height};
    return true;
}

void HeadlessBackend::Deliver(const ScriptEvent& e, InputSink& sink)
{
    const std::string& k = e.Kind;
    if (k == "mousemove") {
        m_cursor = {e.A, e.B};
        sink.MouseMoved(m_cursor);
    } else if (k == "lbutton" || k == "lbuttondown")
        sink.MouseButton(WM_LBUTTONDOWN, m_cursor);
    else if (k == "rbutton" || k == "rbuttondown")
        sink.MouseButton(WM_RBUTTONDOWN, m_cursor);
    else if (k == "mbutton" || k == "mbuttondown")
        sink.MouseButton(WM_MBUTTONDOWN, m_cursor);
    else if (k == "key" || k == "keydown")
        sink.Key(WM_KEYDOWN, uint16_t(e.A));
    else if (k == "keyup")
        sink.Key(WM_KEYUP, uint16_t(e.A));
    else if (k == "close")
        sink.SystemCommand(SC_CLOSE);
    else if (k == "screensave")
        sink.SystemCommand(SC_SCREENSAVE);
    else if (k == "terminate")
        sink.TerminateRequested();
    else if (k == "hostgone")
        sink.HostWindowDestroyed(0);

    // The release half of the press-and-release events.
    if (k == "lbutton" || k == "lbuttonup")
        sink.MouseButton(WM_LBUTTONUP, m_cursor);
    else if (k == "rbutton" || k == "rbuttonup")
        sink.MouseButton(WM_RBUTTONUP, m_cursor);
    else if (k == "mbutton" || k == "mbuttonup")
        sink.MouseButton(WM_MBUTTONUP, m_cursor);
    else if (k == "key")
        sink.Key(WM_KEYUP, uint16_t(e.A));
}

uint32_t HeadlessBackend::PumpEvents(InputSink& sink)
{
    const uint64_t now = m_clock.Now();
    if (!m_options.DumpDir.empty()) {
        while (m_nextDump <= now) {
            char name[32];
            std::snprintf(name, sizeof name, "%09llu.png", static_cast<unsigned long long>(m_nextDump));
            DumpScreen((std::filesystem::path(m_options.DumpDir) / name).string());
            m_nextDump += m_options.DumpMs;
        }
    }
    const auto& events = m_options.Script.Events;
    while (m_nextEvent < events.size() && events[m_nextEvent].Time <= now)
        Deliver(events[m_nextEvent++], sink);
    if (m_options.RunMs && now >= *m_options.RunMs && !m_terminateSent) {
        m_terminateSent = true;
        m_finalScreen.Assign(m_screen);
        sink.TerminateRequested();
    }

    uint64_t next = UINT64_MAX;
    if (m_nextEvent < events.size())
        next = std::min(next, events[m_nextEvent].Time);
    if (!m_options.DumpDir.empty())
        next = std::min(next, m_nextDump);
    if (m_options.RunMs && !m_terminateSent)
        next = std::min(next, *m_options.RunMs);
    if (next == UINT64_MAX)
        return INFINITE;
    return next <= now ? kLowWait : uint32_t(std::min<uint64_t>(next - now, INFINITE - 1));
}

void HeadlessBackend::DumpScreen(const std::string& path) { SavePng(m_screen, path); }

int HeadlessBackend::ShowCursor(bool show)
{
    m_cursorCount += show ? 1 : -1;
    m_log << "ShowCursor: " << (show ? "TRUE" : "FALSE") << " -> " << m_cursorCount << std::endl;
    return m_cursorCount;
}

void HeadlessBackend::MessageBox(const std::string& caption, const std::string& text)
{
    m_messageBoxes.push_back(caption + ": " + text);
    m_log << "messagebox: " << caption << ": " << text << std::endl;
}

HWND HeadlessBackend::FindWindowA(const std::string& className) { return m_taskbar.FindWindowA(className); }

bool HeadlessBackend::ShowWindow(HWND foreign, int command) { return m_taskbar.ShowWindow(foreign, command); }

std::string HeadlessBackend::GetTempPathA()
{
    std::string path = m_options.TempPath.empty() ? PrivateTempFolder() : m_options.TempPath;
    if (path.back() != '/' && path.back() != '\\')
        path += '/';
    m_log << "GetTempPathA: " << path << std::endl;
    return path;
}

std::string HeadlessBackend::ExecutablePath()
{
    if (!m_options.Executable.empty())
        return m_options.Executable;
    return OwnExecutablePath();
}

} // namespace saver
