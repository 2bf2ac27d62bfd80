// smoke_host config SAVER
//     Starts "SAVER /c" and expects the refusal box: a window captioned
//     "Quorbel" with the text "There is no configuration for this
//     screensaver." and nothing else on screen from that process; presses
//     its OK button and expects the saver to end with exit code 0.
// smoke_host preview SAVER
//     Makes a 152x112 window (magenta, so that an empty one shows), starts
//     "SAVER /p <its handle in decimal>", and expects the saver's preview
//     window inside ours, covering it, still running a few seconds later;
//     outside Wine also the white preview with the banner drawn on it: dark
//     text pixels in several colours where the banner lies. Then destroys
//     its window and expects the saver to end by itself with exit code 0.
//
// Every wait has a limit; a saver still running when smoke_host leaves is
// ended. Prints one line per check; exit status 0 when all pass, 1 when
// one fails, 2 for bad arguments.

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr DWORD kAppearMs = 20000; // for the saver's first window
constexpr DWORD kExitMs = 15000;   // for the saver to end after its cue
constexpr DWORD kWatchMs = 5000;   // the preview runs at least this long

const char* const kRefusalCaption = "Quorbel";
const char* const kRefusalText = "There is no configuration for this screensaver.";

// The preview host window and where the banner lies inside it.
constexpr int kHostWidth = 152, kHostHeight = 112;
constexpr RECT kBanner{0, 24, 145, 58};
constexpr COLORREF kHostColour = RGB(255, 0, 255);

class Checks {
public:
    bool Check(bool passed, const std::string& what)
    {
        std::printf("%s %s\n", passed ? "ok  " : "FAIL", what.c_str());
        std::fflush(stdout);
        m_failed |= !passed;
        return passed;
    }
    [[nodiscard]] int ExitCode() const { return m_failed ? 1 : 0; }

private:
    bool m_failed = false;
};

// Handles this thread's messages until done() holds or `limit` ms have
// passed; returns done()'s last answer.
bool PumpUntil(DWORD limit, const std::function<bool()>& done)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done())
            return true;
        if (GetTickCount() - start >= limit)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}

// The saver process, ended by us if it still runs when this goes away.
class Saver {
public:
    Saver(const std::string& path, const std::string& arguments)
    {
        std::string commandLine = "\"" + path + "\" " + arguments;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &m_process))
            throw std::runtime_error("cannot start " + commandLine + " (error " + std::to_string(GetLastError()) + ")");
        CloseHandle(m_process.hThread);
    }
    ~Saver()
    {
        if (!Ended())
            TerminateProcess(m_process.hProcess, 1);
        CloseHandle(m_process.hProcess);
    }
    Saver(const Saver&) = delete;
    Saver& operator=(const Saver&) = delete;

    [[nodiscard]] DWORD Id() const { return m_process.dwProcessId; }
    [[nodiscard]] bool Ended() const { return WaitForSingleObject(m_process.hProcess, 0) == WAIT_OBJECT_0; }

    // Waits for the end while handling our messages; checks it came within
    // the limit and with exit code 0.
    void ExpectEnd(Checks& checks, const std::string& cue)
    {
        if (!checks.Check(PumpUntil(kExitMs, [this] { return Ended(); }),
                          "the saver ends within " + std::to_string(kExitMs / 1000) + " s after " + cue))
            return;
        DWORD code = 0;
        GetExitCodeProcess(m_process.hProcess, &code);
        checks.Check(code == 0, "its exit code is 0 (got " + std::to_string(code) + ")");
    }

private:
    PROCESS_INFORMATION m_process{};
};

std::string WindowText(HWND window)
{
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassName(HWND window)
{
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

struct WindowSearch {
    DWORD Process;
    std::vector<HWND> Found;
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM data)
{
    auto& search = *reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search.Process && IsWindowVisible(window))
        search.Found.push_back(window);
    return TRUE;
}

// The visible top-level windows of a process.
std::vector<HWND> ProcessWindows(DWORD process)
{
    WindowSearch search{process, {}};
    EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM data)
{
    if (_stricmp(ClassName(child).c_str(), "Static") == 0 && !WindowText(child).empty())
        reinterpret_cast<std::vector<std::string>*>(data)->push_back(WindowText(child));
    return TRUE;
}

std::vector<std::string> StaticTexts(HWND dialog)
{
    std::vector<std::string> texts;
    EnumChildWindows(dialog, CollectStaticText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

int RunConfiguration(const std::string& saverPath)
{
    Checks checks;
    Saver saver(saverPath, "/c");
    HWND box = nullptr;
    PumpUntil(kAppearMs, [&] {
        for (HWND window : ProcessWindows(saver.Id()))
            if (WindowText(window) == kRefusalCaption)
                box = window;
        return box != nullptr || saver.Ended();
    });
    if (!checks.Check(box != nullptr, std::string("a box captioned \"") + kRefusalCaption + "\" appears"))
        return checks.ExitCode();
    const std::vector<std::string> texts = StaticTexts(box);
    bool hasText = false;
    std::string shown;
    for (const std::string& text : texts) {
        hasText |= text == kRefusalText;
        shown += shown.empty() ? "\"" : ", \"";
        shown += text;
        shown += '"';
    }
    checks.Check(hasText,
                 std::string("it says \"") + kRefusalText + "\" (shows " + (shown.empty() ? "no text" : shown) + ")");
    checks.Check(ProcessWindows(saver.Id()).size() == 1, "the saver shows no other window");
    const HWND ok = GetDlgItem(box, IDOK);
    if (checks.Check(ok != nullptr, "the box has an OK button")) {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(ok, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    }
    saver.ExpectEnd(checks, "OK is pressed");
    return checks.ExitCode();
}

// --- the preview

HWND CreateHost()
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = CreateSolidBrush(kHostColour);
    windowClass.lpszClassName = "SmokePreviewHost";
    if (!RegisterClassA(&windowClass))
        throw std::runtime_error("cannot register the host window class");
    HWND host = CreateWindowExA(0, windowClass.lpszClassName, "Preview host", WS_POPUP | WS_VISIBLE, 40, 40, kHostWidth,
                                kHostHeight, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!host)
        throw std::runtime_error("cannot create the host window");
    return host;
}

// The pixels of the host window as the screen shows them, row by row.
std::vector<COLORREF> Capture(HWND host)
{
    std::vector<COLORREF> pixels;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kHostWidth, kHostHeight);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    POINT origin{0, 0};
    ClientToScreen(host, &origin);
    if (BitBlt(memory, 0, 0, kHostWidth, kHostHeight, screen, origin.x, origin.y, SRCCOPY))
        for (int y = 0; y < kHostHeight; ++y)
            for (int x = 0; x < kHostWidth; ++x)
                pixels.push_back(GetPixel(memory, x, y));
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

struct PreviewLook {
    int White = 0, Below = 0; // white pixels below the banner, of all there
    int Dark = 0;             // dark pixels inside the banner
    size_t BannerColours = 0; // distinct colours inside the banner
    int Host = 0;             // pixels still showing the host's colour
};

PreviewLook Look(const std::vector<COLORREF>& pixels)
{
    PreviewLook look;
    std::set<COLORREF> colours;
    for (int y = 0; y < kHostHeight; ++y)
        for (int x = 0; x < kHostWidth; ++x) {
            const COLORREF c = pixels[size_t(y) * kHostWidth + x];
            look.Host += c == kHostColour;
            if (y >= kBanner.bottom + 8) {
                ++look.Below;
                look.White += c == RGB(255, 255, 255);
            }
            if (x >= kBanner.left && x < kBanner.right && y >= kBanner.top && y < kBanner.bottom) {
                colours.insert(c);
                look.Dark += GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11 < 128 * 100;
            }
        }
    look.BannerColours = colours.size();
    return look;
}

bool LooksDrawn(const PreviewLook& look)
{
    return look.Host == 0 && look.White * 10 >= look.Below * 9 && look.Dark >= 20 && look.BannerColours >= 4;
}

// Wine (8 at least) shows nothing of what another process draws in a child
// window of ours: neither the screen nor our window's DC has it, for a
// plain GDI child as much as for the saver. There the pixels say nothing.
bool UnderWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

int RunPreview(const std::string& saverPath)
{
    Checks checks;
    HWND host = CreateHost();
    Saver saver(saverPath, "/p " + std::to_string(reinterpret_cast<uintptr_t>(host)));
    HWND preview = nullptr;
    PumpUntil(kAppearMs, [&] {
        preview = GetWindow(host, GW_CHILD);
        return (preview && IsWindowVisible(preview)) || saver.Ended();
    });
    if (checks.Check(preview && IsWindowVisible(preview), "the saver shows a window inside ours")) {
        RECT bounds;
        GetWindowRect(preview, &bounds);
        POINT origin{0, 0};
        ClientToScreen(host, &origin);
        checks.Check(bounds.left == origin.x && bounds.top == origin.y && bounds.right - bounds.left == kHostWidth &&
                         bounds.bottom - bounds.top == kHostHeight,
                     "it covers our window exactly (" + std::to_string(bounds.right - bounds.left) + "x" +
                         std::to_string(bounds.bottom - bounds.top) + " at " + std::to_string(bounds.left - origin.x) +
                         ", " + std::to_string(bounds.top - origin.y) + ")");
        // The banner fades in, then changes lines every 3 s: watch it
        // change at least once.
        const bool wine = UnderWine();
        PreviewLook look;
        PumpUntil(kWatchMs, [&] {
            if (!wine && !LooksDrawn(look)) {
                const std::vector<COLORREF> pixels = Capture(host);
                look = pixels.empty() ? PreviewLook{} : Look(pixels);
            }
            return saver.Ended();
        });
        checks.Check(!saver.Ended(), "the saver still runs after " + std::to_string(kWatchMs / 1000) + " s");
        if (wine) {
            std::printf("skip the banner's pixels: under Wine nothing another process draws inside our window "
                        "can be seen\n");
        } else {
            checks.Check(look.Host == 0,
                         "the preview hides our window's colour (" + std::to_string(look.Host) + " pixels of it left)");
            checks.Check(look.White * 10 >= look.Below * 9, "below the banner it is white (" +
                                                                std::to_string(look.White) + " of " +
                                                                std::to_string(look.Below) + " pixels)");
            checks.Check(look.Dark >= 20 && look.BannerColours >= 4,
                         "the banner is drawn (" + std::to_string(look.Dark) + " dark pixels, " +
                             std::to_string(look.BannerColours) + " colours)");
        }
    }
    DestroyWindow(host);
    saver.ExpectEnd(checks, "its host window is destroyed");
    return checks.ExitCode();
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (argc != 3 || (mode != "config" && mode != "preview")) {
        std::fprintf(stderr, "usage: smoke_host config|preview SAVER\n");
        return 2;
    }
    try {
        return mode == "config" ? RunConfiguration(argv[2]) : RunPreview(argv[2]);
    } catch (const std::exception& e) {
        std::printf("FAIL %s\n", e.what());
        return 1;
    }
}
