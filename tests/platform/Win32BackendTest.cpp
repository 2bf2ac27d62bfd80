// The Win32 window backend on real windows (under Wine on the Linux build
// machine): pictures reach the screen, a preview lives inside a foreign
// window and ends with it, native input becomes sink calls, and what the
// backend changes is undone when it goes.
#include "core/Error.h"
#include "core/Utf16Win32.h"
#include "gdi/Bitmap.h"
#include "gui/Application.h"
#include "gui/Form.h"
#include "gui/backend/BackendFactory.h"
#include "gui/backend/headless/HeadlessBackend.h"
#include "gui/backend/win32/Win32Backend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <thread>

// After the framework's headers: see Win32Backend.cpp.
#include <windows.h>

namespace saver {
namespace {

// Writes every sink call as one line.
class RecordingSink final : public InputSink {
public:
    std::vector<std::string> Calls;

    void MouseMoved(Point p) override { Add("move %d,%d", p.X, p.Y); }
    void MouseButton(uint32_t message, Point p) override { Add("0x%X %d,%d", message, p.X, p.Y); }
    void Key(uint32_t message, uint16_t key) override { Add("0x%X 0x%X", message, key); }
    void SystemCommand(WPARAM command) override { Add("syscommand 0x%X", unsigned(command)); }
    void TerminateRequested() override { Calls.push_back("terminate"); }
    void HostWindowDestroyed(HWND) override { Calls.push_back("hostgone"); }

private:
    template <typename... Args>
    void Add(const char* format, Args... args)
    {
        char line[64];
        std::snprintf(line, sizeof line, format, args...);
        Calls.push_back(line);
    }
};

::HWND Native(Win32Backend& backend, HWND window) { return static_cast<::HWND>(backend.NativeHandle(window)); }

TColor PixelOf(::HWND window, int x, int y)
{
    HDC dc = GetDC(window);
    const COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return TColor(color);
}

void Fill(Bitmap& bitmap, const Rect& area, TColor color)
{
    for (int32_t y = area.Top; y < area.Bottom; ++y)
        for (int32_t x = area.Left; x < area.Right; ++x)
            bitmap.SetPixel(x, y, color);
}

// A plain framed window of this process, standing for the preview pane of
// another program.
::HWND CreateHostWindow(const char* className, int x, int y, int width, int height)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    ::HWND host = CreateWindowExA(0, className, "host", WS_OVERLAPPEDWINDOW, x, y, width, height, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ShowWindow(host, SW_SHOWNA);
    return host;
}

class Win32BackendTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The pointer away from every test window, so that the system makes
        // up no mouse moves of its own.
        SetCursorPos(0, 0);
        backend = std::make_unique<Win32Backend>(log);
    }

    void Open(HWND handle, const Rect& bounds)
    {
        backend->CreateNativeWindow(handle, {0, bounds, false, "test"});
        backend->ShowNativeWindow(handle, true);
        backend->PumpEvents(sink);
    }

    std::ostringstream log;
    RecordingSink sink;
    std::unique_ptr<Win32Backend> backend;
};

TEST_F(Win32BackendTest, WindowShowsThePresentedSurfaceAndRepaintsItFromItsCopy)
{
    EXPECT_EQ(backend->NativeHandle(0x100), nullptr);
    Open(0x100, Rect::FromSize(40, 30, 64, 48));
    ::HWND hwnd = Native(*backend, 0x100);
    Rect placed;
    ASSERT_TRUE(backend->GetForeignWindowRect(reinterpret_cast<uintptr_t>(hwnd), placed));
    EXPECT_EQ(placed, Rect::FromSize(40, 30, 64, 48)) << "a popup has no frame";

    Bitmap surface(64, 48, PixelFormat::pf32bit);
    Fill(surface, {0, 0, 64, 24}, clRed);
    Fill(surface, {0, 24, 64, 48}, clBlue);
    backend->Present(0x100, surface, {0, 0, 64, 48});
    EXPECT_EQ(PixelOf(hwnd, 0, 0), clRed) << "the surface's rows are stored bottom-up";
    EXPECT_EQ(PixelOf(hwnd, 63, 47), clBlue);

    // Only the dirty rectangle reaches the window.
    Fill(surface, {0, 0, 64, 48}, clGreen);
    backend->Present(0x100, surface, {10, 20, 30, 40});
    EXPECT_EQ(PixelOf(hwnd, 10, 20), clGreen);
    EXPECT_EQ(PixelOf(hwnd, 29, 39), clGreen);
    EXPECT_EQ(PixelOf(hwnd, 9, 20), clRed);
    EXPECT_EQ(PixelOf(hwnd, 30, 39), clBlue);

    // Drawn over by someone else, the window gets its picture back from WM_PAINT.
    HDC dc = GetDC(hwnd);
    PatBlt(dc, 0, 0, 64, 48, WHITENESS);
    ReleaseDC(hwnd, dc);
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
    EXPECT_EQ(PixelOf(hwnd, 10, 20), clGreen);
    EXPECT_EQ(PixelOf(hwnd, 63, 47), clBlue);

    // A surface of another format replaces the whole picture.
    Bitmap rgb(64, 48, PixelFormat::pf24bit);
    Fill(rgb, {0, 0, 64, 48}, RGB(10, 200, 30));
    backend->Present(0x100, rgb, {0, 0, 1, 1});
    EXPECT_EQ(PixelOf(hwnd, 63, 47), RGB(10, 200, 30));

    backend->DestroyNativeWindow(0x100);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(backend->NativeHandle(0x100), nullptr);
}

// The caption is UTF-8 in the framework and Unicode on the window, whatever
// the ANSI code page; the window is a Unicode window throughout.
TEST_F(Win32BackendTest, CaptionReachesTheWindowAsUnicode)
{
    backend->CreateNativeWindow(0x300, {0, Rect::FromSize(0, 0, 8, 8), false, "Zo\xC3\xAB \xE9\xBB\x91\xE4\xBD\x93"});
    ::HWND hwnd = Native(*backend, 0x300);
    ASSERT_NE(hwnd, nullptr);
    wchar_t caption[16] = {};
    GetWindowTextW(hwnd, caption, 16);
    EXPECT_STREQ(caption, L"Zo\u00EB \u9ED1\u4F53");
    EXPECT_TRUE(IsWindowUnicode(hwnd));
}

// The preview run's path: a form inside a foreign window fills the host's
// client area (the host's outer size, which the run asks for, includes a
// frame), is painted there, and its modal loop ends when the host goes.
TEST_F(Win32BackendTest, FormInsideAForeignWindowFitsItsHostAndEndsWithIt)
{
    ::HWND host = CreateHostWindow("Win32BackendTestPreviewHost", 300, 200, 200, 150);
    const HWND hostHandle = reinterpret_cast<uintptr_t>(host);
    Application app(*backend);
    auto preview = Form::Create<Form>();
    preview->SetParentWindow(hostHandle);
    preview->SetColor(clWhite);
    Rect hostRect;
    ASSERT_TRUE(backend->GetForeignWindowRect(hostHandle, hostRect));
    EXPECT_EQ(hostRect, Rect::FromSize(300, 200, 200, 150));
    preview->SetBoundsRect(Rect::FromSize(0, 0, hostRect.Width(), hostRect.Height()));

    // Timers come after paints: at the first tick the form has been shown.
    TColor shown = 0;
    RECT hostClient{}, child{};
    app.SetTimer(preview->Handle(), 1, 1);
    app.SetTimer(preview->Handle(), 2, 10000); // only against a hang
    app.OnMessage = [&](Message& message, bool& handled) {
        if (message.Msg != WM_TIMER)
            return;
        handled = true;
        if (message.WParam == 1 && IsWindow(host)) {
            shown = PixelOf(host, 1, 1);
            GetClientRect(host, &hostClient);
            ::HWND native = Native(*backend, preview->Handle());
            EXPECT_EQ(GetParent(native), host);
            GetClientRect(native, &child);
            DestroyWindow(host);
        } else if (message.WParam == 2) {
            preview->SetModalResult(mrOk);
        }
    };
    EXPECT_EQ(preview->ShowModal(), mrCancel);
    EXPECT_EQ(shown, clWhite);
    EXPECT_LT(hostClient.right, 200) << "the host has a frame";
    EXPECT_EQ(Rect(child.left, child.top, child.right, child.bottom), Rect(0, 0, hostClient.right, hostClient.bottom));
    EXPECT_EQ(backend->NativeHandle(preview->Handle()), nullptr);
    preview->DestroyHandle();

    EXPECT_THROW(backend->CreateNativeWindow(0x201, {hostHandle, Rect::FromSize(0, 0, 10, 10), false, ""}), Exception)
        << "the host no longer exists";
}

TEST_F(Win32BackendTest, NativeInputBecomesSinkCallsInScreenCoordinates)
{
    Open(0x100, Rect::FromSize(100, 50, 150, 100));
    ::HWND hwnd = Native(*backend, 0x100);
    backend->PumpEvents(sink);
    sink.Calls.clear();

    // Outside PumpEvents (in a message box's loop) input is not the
    // application's.
    SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));

    constexpr LPARAM kAltHeld = LPARAM(1) << 29;
    PostMessageA(hwnd, WM_KEYDOWN, 'A', 1);
    PostMessageA(hwnd, WM_KEYUP, 'A', 1);
    PostMessageA(hwnd, WM_SYSKEYDOWN, VK_F4, kAltHeld | 1);
    PostMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(10, 20));
    PostMessageA(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 6));
    PostMessageA(hwnd, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    // The session's end arrives as a message sent from another thread.
    std::atomic<LRESULT> endSession = -1;
    std::thread session([&] { endSession = SendMessageA(hwnd, WM_QUERYENDSESSION, 0, 0); });
    // Five seconds are far beyond what the messages need.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (endSession == -1 && std::chrono::steady_clock::now() < deadline)
        EXPECT_EQ(backend->PumpEvents(sink), Win32Backend::kPollMs);
    session.join();
    backend->PumpEvents(sink);
    std::vector<std::string> posted = sink.Calls;
    posted.erase(std::remove(posted.begin(), posted.end(), "terminate"), posted.end());
    EXPECT_EQ(posted, (std::vector<std::string>{
                          "0x100 0x41",        // WM_KEYDOWN 'A'
                          "0x101 0x41",        // WM_KEYUP
                          "0x104 0x73",        // WM_SYSKEYDOWN VK_F4 with Alt held ...
                          "move 110,70",       //
                          "0x204 105,56",      // WM_RBUTTONDOWN
                          "syscommand 0xF140", // SC_SCREENSAVE
                          "syscommand 0xF060", // ... became SC_CLOSE
                      }));
    EXPECT_EQ(std::count(sink.Calls.begin(), sink.Calls.end(), "terminate"), 2) << "WM_CLOSE, WM_QUERYENDSESSION";
    EXPECT_EQ(endSession, TRUE);
    EXPECT_TRUE(IsWindow(hwnd)) << "closing is the application's decision";
}

TEST_F(Win32BackendTest, CursorAndHiddenWindowsComeBackWithTheBackend)
{
    ::HWND taskbar = CreateHostWindow("Win32BackendTestTaskbar", 0, 0, 50, 20);
    const int before = ::ShowCursor(TRUE) - 1;
    ::ShowCursor(FALSE);
    {
        Win32Backend second(log);
        EXPECT_EQ(Win32Backend::Current(), &second);
        EXPECT_EQ(second.ShowCursor(false), before - 1);
        EXPECT_EQ(second.ShowCursor(false), before - 2);
        const HWND found = second.FindWindowA("Win32BackendTestTaskbar");
        EXPECT_EQ(found, reinterpret_cast<uintptr_t>(taskbar));
        EXPECT_TRUE(second.ShowWindow(found, SW_HIDE));
        EXPECT_FALSE(IsWindowVisible(taskbar));
        EXPECT_EQ(second.FindWindowA("Win32BackendTestNoSuchClass"), 0u);
        EXPECT_FALSE(second.ShowWindow(0, SW_SHOW));
    }
    EXPECT_EQ(Win32Backend::Current(), backend.get());
    EXPECT_TRUE(IsWindowVisible(taskbar));
    EXPECT_EQ(::ShowCursor(TRUE), before + 1);
    ::ShowCursor(FALSE);
    DestroyWindow(taskbar);
}

TEST(Win32Paths, TemporaryFolderMustFitTheSaversNamesAndTheProgramIsFound)
{
    std::ostringstream log;
    Win32Backend backend(log);
    char saved[MAX_PATH + 1] = {};
    const bool hadTmp = GetEnvironmentVariableA("TMP", saved, sizeof saved) > 0;

    // 254 characters with the final backslash are accepted, 255 refused.
    const std::string base = "C:\\" + std::string(250, 'q');
    SetEnvironmentVariableA("TMP", base.c_str());
    EXPECT_EQ(backend.GetTempPathA(), base + "\\");
    SetEnvironmentVariableA("TMP", (base + "q").c_str());
    EXPECT_THROW(backend.GetTempPathA(), Exception);
    SetEnvironmentVariableA("TMP", hadTmp ? saved : nullptr);
    const std::string temp = backend.GetTempPathA();
    EXPECT_EQ(temp.back(), '\\');
    EXPECT_NE(GetFileAttributesW(Widen(temp).c_str()), INVALID_FILE_ATTRIBUTES);

    // A folder outside the ANSI code page comes back in UTF-8.
    SetEnvironmentVariableW(L"TMP", L"C:\\Users\\Zo\u00EB\\AppData\\Local\\Temp");
    EXPECT_EQ(backend.GetTempPathA(), "C:\\Users\\Zo\xC3\xAB\\AppData\\Local\\Temp\\");
    SetEnvironmentVariableA("TMP", hadTmp ? saved : nullptr);

    const std::string exe = backend.ExecutablePath();
    EXPECT_EQ(GetFileAttributesW(Widen(exe).c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u) << "a file: " << exe;
}

TEST(Win32BackendFactory, WindowsIsTheDefaultAndHeadlessStaysSelectable)
{
    std::ostringstream log;
    _putenv_s("SAVER_BACKEND", "");
    EXPECT_NE(dynamic_cast<Win32Backend*>(CreateBackend(log).get()), nullptr);
    _putenv_s("SAVER_BACKEND", "headless");
    EXPECT_NE(dynamic_cast<HeadlessBackend*>(CreateBackend(log).get()), nullptr);
    _putenv_s("SAVER_BACKEND", "sdl");
    EXPECT_THROW(CreateBackend(log), Exception);
    _putenv_s("SAVER_BACKEND", "");
}

} // namespace
} // namespace saver
