#include "gui/backend/win32/Win32Backend.h"

#include "core/Error.h"
#include "core/Utf16Win32.h"
#include "gdi/Bitmap.h"
#include "gui/DisplayLayout.h"
#include "gui/backend/ProcessPaths.h"

#include <algorithm>
#include <cstring>
#include <mutex>

// The Windows headers come after the framework's: their macros (WM_*,
// INFINITE, MessageBox) would otherwise rewrite the framework's own names.
#include <windows.h>
#undef MessageBox

namespace saver {
namespace {

// Our windows are Unicode windows throughout: a W class, W window procedure
// and W message loop, so captions and text messages are UTF-16.
const wchar_t* const kClassName = L"SaverFrameworkWindow";
// HWND_TOPMOST, spelled out: inside this namespace its macro would name the
// framework's HWND type.
const ::HWND kTopmost = reinterpret_cast<::HWND>(intptr_t(-1));

// The backends alive, oldest first; the window class is registered while
// there is at least one.
std::mutex g_backendsMutex;
std::vector<Win32Backend*> g_backends;

::HWND ToNative(uintptr_t handle) { return reinterpret_cast<::HWND>(handle); }
uintptr_t FromNative(::HWND handle) { return reinterpret_cast<uintptr_t>(handle); }

std::string ErrorText(DWORD error)
{
    const std::string text = SystemMessage(error);
    return text.empty() ? "error " + std::to_string(error) : text;
}

std::string LastErrorText() { return ErrorText(GetLastError()); }

Rect ToRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// A child window's place inside its host: the asked bounds, cut to the
// host's client area (the host's outer size may include a frame).
Rect FitToHost(::HWND host, const Rect& bounds)
{
    RECT client{};
    if (!GetClientRect(host, &client))
        return bounds;
    return bounds.Intersected(ToRect(client));
}

// The mouse button messages, double clicks counted as presses (a foreign
// child window may ask for them; ours never do).
uint32_t MouseButtonMessage(UINT message)
{
    switch (message) {
    case WM_LBUTTONDBLCLK:
        return WM_LBUTTONDOWN;
    case WM_RBUTTONDBLCLK:
        return WM_RBUTTONDOWN;
    case WM_MBUTTONDBLCLK:
        return WM_MBUTTONDOWN;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        return message;
    default:
        return 0;
    }
}

bool IsKeyMessage(UINT message)
{
    return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
}

// Adds one monitor to the list EnumDisplayMonitors fills. A named CALLBACK
// function: a lambda has the wrong calling convention on 32-bit Windows.
BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, ::LPARAM list)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info))
        reinterpret_cast<std::vector<DisplayInfo>*>(list)->push_back(
            {ToRect(info.rcMonitor), (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    return TRUE;
}

// The monitors of the desktop, the primary one flagged.
DisplayPlacement ReadDisplays()
{
    std::vector<DisplayInfo> displays;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<::LPARAM>(&displays));
    return PlaceDisplays(displays);
}

// A DIB header followed by room for the grey palette of 8-bit surfaces.
struct DibInfo {
    BITMAPINFOHEADER Header;
    RGBQUAD Colors[256];
};

} // namespace

struct Win32Backend::Window {
    Win32Backend* Owner = nullptr;
    NativeWindowInfo Info;
    ::HWND Hwnd = nullptr;
    bool Visible = false;
    uint64_t ShowOrder = 0;
    bool HostLost = false; // the foreign window it lived in went away
    // A black window covering another display for the framework window
    // CoverFor (0: a framework window of its own). A full-screen window
    // keeps its covers in Covers while it shows.
    HWND CoverFor = 0;
    std::vector<std::unique_ptr<Window>> Covers;

    // The last presented picture, selected into its own memory DC.
    HDC MemoryDc = nullptr;
    HBITMAP Dib = nullptr;
    HGDIOBJ PreviousBitmap = nullptr;
    uint8_t* Bits = nullptr;
    size_t Stride = 0;
    Size DibSize;
    PixelFormat DibFormat = PixelFormat::pf32bit;

    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    ~Window()
    {
        ReleaseDib();
        if (Hwnd) {
            // Detached first: the window procedure must not reach a Window
            // that is being destroyed.
            SetWindowLongPtrW(Hwnd, GWLP_USERDATA, 0);
            DestroyWindow(Hwnd);
        }
    }

    void ReleaseDib()
    {
        if (MemoryDc) {
            SelectObject(MemoryDc, PreviousBitmap);
            DeleteDC(MemoryDc);
        }
        if (Dib)
            DeleteObject(Dib);
        MemoryDc = nullptr;
        Dib = nullptr;
        Bits = nullptr;
        DibSize = {};
    }

    // Gives the window a DIB section of the surface's size and format.
    void MakeDib(const Size& size, PixelFormat format)
    {
        ReleaseDib();
        DibInfo info{};
        const int bits = BitsPerPixel(format);
        info.Header.biSize = sizeof(BITMAPINFOHEADER);
        info.Header.biWidth = size.Width;
        info.Header.biHeight = -size.Height; // rows top-down
        info.Header.biPlanes = 1;
        info.Header.biBitCount = WORD(bits);
        info.Header.biCompression = BI_RGB;
        if (bits == 8) {
            info.Header.biClrUsed = 256;
            for (int i = 0; i < 256; ++i)
                info.Colors[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
        }
        void* pixels = nullptr;
        Dib = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &pixels, nullptr, 0);
        if (!Dib)
            throw Exception("Cannot create a window picture of " + std::to_string(size.Width) + "x" +
                            std::to_string(size.Height) + ": " + LastErrorText());
        MemoryDc = CreateCompatibleDC(nullptr);
        if (!MemoryDc) {
            const std::string why = LastErrorText();
            ReleaseDib();
            throw Exception("Cannot create a window picture: " + why);
        }
        PreviousBitmap = SelectObject(MemoryDc, Dib);
        Bits = static_cast<uint8_t*>(pixels);
        Stride = (size_t(size.Width) * size_t(bits) + 31) / 32 * 4;
        DibSize = size;
        DibFormat = format;
    }
};

struct Win32Backend::Native {
    static ::LRESULT CALLBACK WindowProc(::HWND hwnd, UINT message, ::WPARAM wParam, ::LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* window = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (!window)
            return DefWindowProcW(hwnd, message, wParam, lParam);
        return Handle(*window, hwnd, message, wParam, lParam);
    }

    static ::LRESULT Handle(Window& window, ::HWND hwnd, UINT message, ::WPARAM wParam, ::LPARAM lParam)
    {
        Win32Backend& backend = *window.Owner;
        if (TranslateInput(backend, hwnd, message, wParam, lParam, window.CoverFor))
            // System keys go on to the default handling, which turns
            // Alt+F4 into the close command.
            return message == WM_SYSKEYDOWN || message == WM_SYSKEYUP ? DefWindowProcW(hwnd, message, wParam, lParam)
                                                                      : 0;
        switch (message) {
        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
            case SC_CLOSE:
            case SC_SCREENSAVE:
                // The application decides what these mean.
                backend.Queue({Input::Kind::SystemCommand, 0, uintptr_t(wParam), {}});
                return 0;
            case SC_KEYMENU:
                // No menus here: Alt or F10 must not start a modal menu loop.
                return 0;
            default:
                break;
            }
            break;
        case WM_CLOSE:
            backend.Queue({Input::Kind::Terminate, 0, 0, {}});
            return 0;
        case WM_QUERYENDSESSION:
            backend.Queue({Input::Kind::Terminate, 0, 0, {}});
            return TRUE;
        case WM_ERASEBKGND:
            return 1; // WM_PAINT covers every pixel
        case WM_PAINT:
            Paint(window, hwnd);
            return 0;
        case WM_NCDESTROY:
            // Only a host taking its children along destroys one of our
            // windows behind our back.
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            window.Hwnd = nullptr;
            if (window.Info.ForeignParent != 0)
                backend.HostGone(window);
            break;
        default:
            break;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    // Queues mouse and key input for the sink; false for other messages.
    // Input that arrives outside PumpEvents (in the modal loop of a message
    // box) is dropped: the application's loop never saw it. Mouse input on
    // a cover is the input of the window it covers for.
    static bool TranslateInput(Win32Backend& backend, ::HWND hwnd, UINT message, ::WPARAM wParam, ::LPARAM lParam,
                               HWND coverFor = 0)
    {
        Input input{};
        input.CoverFor = coverFor;
        if (message == WM_MOUSEMOVE || MouseButtonMessage(message)) {
            POINT p{static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam))};
            ClientToScreen(hwnd, &p);
            input.Screen = {p.x, p.y};
            input.What = message == WM_MOUSEMOVE ? Input::Kind::Move : Input::Kind::Button;
            input.Message = message == WM_MOUSEMOVE ? uint32_t(WM_MOUSEMOVE) : MouseButtonMessage(message);
        } else if (IsKeyMessage(message)) {
            input.What = Input::Kind::Key;
            input.Message = message;
            input.Value = wParam & 0xFFFF;
        } else {
            return false;
        }
        if (backend.m_pumping)
            backend.Queue(input);
        return true;
    }

    static void Paint(Window& window, ::HWND hwnd)
    {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (!dc)
            return;
        const RECT& r = ps.rcPaint;
        if (window.MemoryDc)
            BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, window.MemoryDc, r.left, r.top, SRCCOPY);
        // Black where no picture reaches (before the first one, or beyond it).
        ExcludeClipRect(dc, 0, 0, window.DibSize.Width, window.DibSize.Height);
        FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        EndPaint(hwnd, &ps);
    }

    // The framework window whose native window is `hwnd` or contains it
    // (a control hosted inside, such as the Flash player); nullptr if none.
    static Window* Containing(Win32Backend& backend, ::HWND hwnd)
    {
        for (auto& [handle, window] : backend.m_windows)
            if (window->Hwnd && (window->Hwnd == hwnd || IsChild(window->Hwnd, hwnd)))
                return window.get();
        return nullptr;
    }
};

Win32Backend::Win32Backend(std::ostream& log) : m_log(log)
{
    {
        std::lock_guard lock(g_backendsMutex);
        if (g_backends.empty()) {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = &Native::WindowProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
            wc.lpszClassName = kClassName;
            if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
                throw Exception("Cannot register the window class: " + LastErrorText());
        }
        g_backends.push_back(this);
    }
    m_lastHostCheck = ::GetTickCount();
}

Win32Backend::~Win32Backend()
{
    for (uintptr_t hidden : m_hiddenByUs)
        if (IsWindow(ToNative(hidden))) {
            ::ShowWindow(ToNative(hidden), SW_SHOW);
            m_log << "ShowWindow: " << hidden << " shown again" << std::endl;
        }
    for (; m_cursorChange < 0; ++m_cursorChange)
        ::ShowCursor(TRUE);
    for (; m_cursorChange > 0; --m_cursorChange)
        ::ShowCursor(FALSE);
    m_windows.clear();
    std::lock_guard lock(g_backendsMutex);
    std::erase(g_backends, this);
    if (g_backends.empty())
        UnregisterClassW(kClassName, GetModuleHandleW(nullptr));
}

Win32Backend* Win32Backend::Current()
{
    std::lock_guard lock(g_backendsMutex);
    return g_backends.empty() ? nullptr : g_backends.back();
}

Win32Backend::Window* Win32Backend::Find(HWND window)
{
    auto it = m_windows.find(window);
    return it == m_windows.end() ? nullptr : it->second.get();
}

const Win32Backend::Window* Win32Backend::Find(HWND window) const
{
    auto it = m_windows.find(window);
    return it == m_windows.end() ? nullptr : it->second.get();
}

void* Win32Backend::NativeHandle(HWND frameworkWindow) const
{
    const Window* window = Find(frameworkWindow);
    return window ? window->Hwnd : nullptr;
}

Size Win32Backend::ScreenSize() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

void Win32Backend::CreateNativeWindow(HWND handle, const NativeWindowInfo& info)
{
    auto window = std::make_unique<Window>();
    window->Owner = this;
    window->Info = info;
    DWORD style = WS_POPUP | WS_CLIPCHILDREN;
    DWORD exStyle = 0;
    ::HWND parent = nullptr;
    Rect bounds = info.Bounds;
    if (info.ForeignParent != 0) {
        parent = ToNative(info.ForeignParent);
        if (!IsWindow(parent))
            throw Exception("The host window " + std::to_string(info.ForeignParent) + " does not exist");
        style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
        bounds = FitToHost(parent, bounds);
    } else if (info.StayOnTop) {
        exStyle |= WS_EX_TOPMOST;
    }
    window->Hwnd = CreateWindowExW(exStyle, kClassName, Widen(info.Caption).c_str(), style, bounds.Left, bounds.Top,
                                   std::max(bounds.Width(), 1), std::max(bounds.Height(), 1), parent, nullptr,
                                   GetModuleHandleW(nullptr), window.get());
    if (!window->Hwnd)
        throw Exception("Cannot create a window: " + LastErrorText());
    m_windows[handle] = std::move(window);
}

void Win32Backend::DestroyNativeWindow(HWND window) { m_windows.erase(window); }

void Win32Backend::SetNativeWindowBounds(HWND handle, const Rect& bounds)
{
    Window* window = Find(handle);
    if (!window)
        return;
    window->Info.Bounds = bounds;
    if (!window->Hwnd)
        return;
    const Rect b = window->Info.ForeignParent != 0 ? FitToHost(ToNative(window->Info.ForeignParent), bounds) : bounds;
    SetWindowPos(window->Hwnd, nullptr, b.Left, b.Top, std::max(b.Width(), 1), std::max(b.Height(), 1),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (window->Visible)
        UpdateCovers(handle, *window);
}

void Win32Backend::UpdateCovers(HWND handle, Window& window)
{
    const Size screen = ScreenSize();
    const bool fullScreen = window.Info.ForeignParent == 0 && window.Hwnd &&
                            window.Info.Bounds == Rect::FromSize(0, 0, screen.Width, screen.Height);
    if (!fullScreen) {
        window.Covers.clear();
        return;
    }
    if (!window.Covers.empty())
        return;
    for (const Rect& r : ReadDisplays().Covers) {
        auto cover = std::make_unique<Window>();
        cover->Owner = this;
        cover->CoverFor = handle;
        cover->Info.Bounds = r;
        // A tool window: covers do not show on the taskbar.
        const DWORD exStyle = WS_EX_TOOLWINDOW | (window.Info.StayOnTop ? WS_EX_TOPMOST : 0);
        cover->Hwnd = CreateWindowExW(exStyle, kClassName, Widen(window.Info.Caption).c_str(), WS_POPUP, r.Left, r.Top,
                                      r.Width(), r.Height(), nullptr, nullptr, GetModuleHandleW(nullptr), cover.get());
        if (!cover->Hwnd) {
            m_log << "win32: no cover for the monitor at " << r.Left << "," << r.Top << ": " << LastErrorText()
                  << std::endl;
            continue;
        }
        cover->Visible = true;
        ::ShowWindow(cover->Hwnd, SW_SHOWNA);
        window.Covers.push_back(std::move(cover));
    }
}

void Win32Backend::ShowNativeWindow(HWND handle, bool visible)
{
    Window* window = Find(handle);
    if (!window)
        return;
    window->Visible = visible;
    if (!window->Hwnd)
        return;
    if (!visible) {
        ::ShowWindow(window->Hwnd, SW_HIDE);
        window->Covers.clear();
        return;
    }
    window->ShowOrder = ++m_showOrder;
    if (window->Info.ForeignParent != 0) {
        // Inside a host: shown without taking the activation from it.
        ::ShowWindow(window->Hwnd, SW_SHOWNA);
        return;
    }
    // The covers come up first, so that the window itself ends on top with
    // the keyboard.
    UpdateCovers(handle, *window);
    ::ShowWindow(window->Hwnd, SW_SHOW);
    if (window->Info.StayOnTop)
        SetWindowPos(window->Hwnd, kTopmost, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(window->Hwnd);
}

void Win32Backend::Present(HWND handle, const Bitmap& surface, const Rect& dirty)
{
    Window* window = Find(handle);
    if (!window || !window->Hwnd || surface.Empty())
        return;
    const Size size{surface.Width(), surface.Height()};
    const PixelFormat format = surface.GetPixelFormat();
    Rect area = dirty.Intersected(Rect::FromSize(0, 0, size.Width, size.Height));
    if (!window->Dib || window->DibSize != size || window->DibFormat != format) {
        window->MakeDib(size, format);
        area = Rect::FromSize(0, 0, size.Width, size.Height);
    }
    if (area.IsEmpty())
        return;
    // GDI may still be reading the section for an earlier blit.
    GdiFlush();
    const size_t bytesPerPixel = size_t(BitsPerPixel(format) / 8);
    const size_t offset = size_t(area.Left) * bytesPerPixel;
    const size_t length = size_t(area.Width()) * bytesPerPixel;
    for (int32_t y = area.Top; y < area.Bottom; ++y)
        std::memcpy(window->Bits + size_t(y) * window->Stride + offset, surface.ScanLine(y) + offset, length);
    HDC dc = GetDC(window->Hwnd);
    if (!dc)
        return; // WM_PAINT shows it when the window can be drawn on again
    BitBlt(dc, area.Left, area.Top, area.Width(), area.Height(), window->MemoryDc, area.Left, area.Top, SRCCOPY);
    ReleaseDC(window->Hwnd, dc);
}

bool Win32Backend::GetForeignWindowRect(HWND foreign, Rect& rect)
{
    RECT r{};
    if (foreign == 0 || !IsWindow(ToNative(foreign)) || !GetWindowRect(ToNative(foreign), &r))
        return false;
    rect = ToRect(r);
    return true;
}

uint32_t Win32Backend::PumpEvents(InputSink& sink)
{
    // A handler of a hosted control may pump again from inside ours.
    const bool outerPump = m_pumping;
    m_pumping = true;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            Queue({Input::Kind::Terminate, 0, 0, {}});
            continue;
        }
        // Input for a control hosted inside one of our windows (it has a
        // window procedure of its own) is the application's input too.
        if (const Window* window = msg.hwnd ? Native::Containing(*this, msg.hwnd) : nullptr;
            window && window->Hwnd != msg.hwnd)
            Native::TranslateInput(*this, msg.hwnd, msg.message, msg.wParam, msg.lParam);
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    m_pumping = outerPump;
    CheckHosts();
    Deliver(sink);
    return kPollMs;
}

void Win32Backend::Deliver(InputSink& sink)
{
    std::vector<Input> input;
    input.swap(m_input);
    for (const Input& i : input) {
        switch (i.What) {
        case Input::Kind::Move:
        case Input::Kind::Button:
            if (i.CoverFor)
                sink.MouseOn(i.CoverFor, i.Message, i.Screen);
            else if (i.What == Input::Kind::Move)
                sink.MouseMoved(i.Screen);
            else
                sink.MouseButton(i.Message, i.Screen);
            break;
        case Input::Kind::Key:
            sink.Key(i.Message, uint16_t(i.Value));
            break;
        case Input::Kind::SystemCommand:
            sink.SystemCommand(i.Value);
            break;
        case Input::Kind::Terminate:
            sink.TerminateRequested();
            break;
        case Input::Kind::HostGone:
            sink.HostWindowDestroyed(i.Value);
            break;
        }
    }
}

void Win32Backend::HostGone(Window& window)
{
    if (window.HostLost)
        return;
    window.HostLost = true;
    const uintptr_t host = window.Info.ForeignParent;
    m_log << "win32: the host window " << host << " is gone" << std::endl;
    const bool queued = std::any_of(m_input.begin(), m_input.end(),
                                    [&](const Input& i) { return i.What == Input::Kind::HostGone && i.Value == host; });
    if (!queued)
        Queue({Input::Kind::HostGone, 0, host, {}});
}

void Win32Backend::CheckHosts()
{
    // A host in another process can vanish without our child hearing of it
    // first: look now and then.
    const uint32_t now = ::GetTickCount();
    if (now - m_lastHostCheck < kHostCheckMs)
        return;
    m_lastHostCheck = now;
    for (auto& [handle, window] : m_windows)
        if (window->Info.ForeignParent != 0 && !window->HostLost && !IsWindow(ToNative(window->Info.ForeignParent)))
            HostGone(*window);
}

Point Win32Backend::GetCursorPos()
{
    POINT p{};
    if (!::GetCursorPos(&p))
        return {};
    return {p.x, p.y};
}

int Win32Backend::ShowCursor(bool show)
{
    const int count = ::ShowCursor(show ? TRUE : FALSE);
    m_cursorChange += show ? 1 : -1;
    m_log << "ShowCursor: " << (show ? "TRUE" : "FALSE") << " -> " << count << std::endl;
    return count;
}

void* Win32Backend::NewestShownWindow() const
{
    ::HWND owner = nullptr;
    uint64_t newest = 0;
    for (const auto& [handle, w] : m_windows)
        if (w->Hwnd && w->Visible && w->Info.ForeignParent == 0 && w->ShowOrder >= newest) {
            owner = w->Hwnd;
            newest = w->ShowOrder;
        }
    return owner;
}

void Win32Backend::MessageBox(const std::string& caption, const std::string& text)
{
    m_log << "messagebox: " << caption << ": " << text << std::endl;
    // Owned by the window shown last, so that it comes up above a window
    // that stays on top.
    if (MessageBoxW(static_cast<::HWND>(NewestShownWindow()), Widen(text).c_str(), Widen(caption).c_str(), MB_OK) ==
        0)
        m_log << "win32: cannot show the message box: " << LastErrorText() << std::endl;
}

HWND Win32Backend::FindWindowA(const std::string& className)
{
    const HWND found = FromNative(::FindWindowW(Widen(className).c_str(), nullptr));
    m_log << "FindWindowA: " << className << (found ? "" : " (not found)") << std::endl;
    return found;
}

bool Win32Backend::ShowWindow(HWND foreign, int command)
{
    if (foreign == 0 || !IsWindow(ToNative(foreign)))
        return false;
    ::ShowWindow(ToNative(foreign), command);
    // What we hide is shown again when we go, whatever ends the run.
    if (command == SW_HIDE)
        m_hiddenByUs.insert(foreign);
    else
        m_hiddenByUs.erase(foreign);
    m_log << "ShowWindow: " << foreign << " " << command << std::endl;
    return true;
}

std::string Win32Backend::GetTempPathA()
{
    const std::string path = PrivateTempFolder();
    m_log << "GetTempPathA: " << path << std::endl;
    return path;
}

std::string Win32Backend::ExecutablePath() { return OwnExecutablePath(); }

} // namespace saver
