#include "gui/backend/sdl/SdlBackend.h"

#include "gui/backend/ProcessPaths.h"

#include "gui/DisplayLayout.h"

#include "core/Error.h"
#include "gdi/Bitmap.h"
#include "gui/backend/sdl/SdlKeys.h"
#include "gui/backend/sdl/X11Host.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

namespace saver {
namespace {

// The handle FindWindowA gives for the taskbar; nothing on Linux answers it.
constexpr uint16_t VK_F10 = 0x79;

struct SdlDeleter {
    void operator()(SDL_Window* w) const { SDL_DestroyWindow(w); }
    void operator()(SDL_Renderer* r) const { SDL_DestroyRenderer(r); }
    void operator()(SDL_Texture* t) const { SDL_DestroyTexture(t); }
};

// Copies one row of a surface into the texture's 32-bit x8r8g8b8 layout.
void CopyRow(const uint8_t* from, uint8_t* to, int32_t width, PixelFormat format)
{
    switch (format) {
    case PixelFormat::pf32bit:
    case PixelFormat::pfDevice:
        std::memcpy(to, from, size_t(width) * 4);
        break;
    case PixelFormat::pf24bit:
        for (int32_t x = 0; x < width; ++x, from += 3, to += 4) {
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
            to[3] = 0;
        }
        break;
    case PixelFormat::pf8bit:
        for (int32_t x = 0; x < width; ++x, to += 4)
            to[0] = to[1] = to[2] = from[x], to[3] = 0;
        break;
    }
}

// While a message box is up SDL is not reading its event queue, so the
// termination signals it turns into SDL_QUIT would go unnoticed: they end
// the process instead (the X server removes its windows and their cursor).
class DefaultSignals {
public:
    DefaultSignals() : m_int(std::signal(SIGINT, SIG_DFL)), m_term(std::signal(SIGTERM, SIG_DFL)) {}
    ~DefaultSignals()
    {
        std::signal(SIGINT, m_int);
        std::signal(SIGTERM, m_term);
    }
    DefaultSignals(const DefaultSignals&) = delete;
    DefaultSignals& operator=(const DefaultSignals&) = delete;

private:
    void (*m_int)(int);
    void (*m_term)(int);
};

// Opens SDL's video on a window system. Left to itself SDL settles for its
// off-screen driver when there is none, and the saver would run unseen:
// unless SDL_VIDEODRIVER names a driver, only X11 (and Wayland where one is
// named) will do. On failure SDL's error is the first driver's reason.
bool OpenVideo()
{
    const char* chosen = std::getenv("SDL_VIDEODRIVER");
    if (chosen && *chosen)
        return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    std::string firstError;
    for (const char* driver : {"x11", "wayland"}) {
        if (std::strcmp(driver, "wayland") == 0 && !(wayland && *wayland))
            continue;
        SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0)
            return true;
        if (firstError.empty())
            firstError = SDL_GetError();
    }
    SDL_SetError("%s", firstError.c_str());
    return false;
}

// The displays as SDL reports them; SDL lists the primary one first.
DisplayPlacement ReadDisplays()
{
    std::vector<DisplayInfo> displays;
    const int count = SDL_GetNumVideoDisplays();
    for (int i = 0; i < count; ++i) {
        SDL_Rect r{};
        if (SDL_GetDisplayBounds(i, &r) == 0)
            displays.push_back({Rect::FromSize(r.x, r.y, r.w, r.h), i == 0});
    }
    return PlaceDisplays(displays);
}

// Paints a cover window black through its own surface (it has no renderer).
void PaintCover(SDL_Window* cover)
{
    if (SDL_Surface* surface = SDL_GetWindowSurface(cover)) {
        SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
        SDL_UpdateWindowSurface(cover);
    }
}

} // namespace

struct SdlBackend::Window {
    NativeWindowInfo Info;
    // Destroyed in reverse order: texture, renderer, window.
    std::unique_ptr<SDL_Window, SdlDeleter> Sdl;
    std::unique_ptr<SDL_Renderer, SdlDeleter> Renderer;
    std::unique_ptr<SDL_Texture, SdlDeleter> Texture;
    Size TextureSize;
    bool Visible = false;
    bool Dirty = false; // the texture holds something not yet presented
    uint64_t ShowOrder = 0;
    bool HostGone = false; // the foreign window it lives in was destroyed
    // While a full-screen window shows: a black window on every other display.
    std::vector<std::unique_ptr<SDL_Window, SdlDeleter>> Covers;
};

SdlBackend::SdlBackend(std::ostream& log) : m_log(log)
{
    // A full-screen window must stay when a message box takes the focus, and
    // the click that activates a window is input like any other.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (!OpenVideo()) {
        const char* display = std::getenv("DISPLAY");
        const std::string named =
            display && *display ? "\"" + std::string(display) + "\"" : std::string("(DISPLAY is not set)");
        throw Exception("cannot open display " + named + ": " + SDL_GetError() +
                        " (set DISPLAY, or SAVER_BACKEND=headless to run without one)");
    }
    m_origin = ReadDisplays().Primary.TopLeft();
}

SdlBackend::~SdlBackend()
{
    if (m_cursorCount < 0)
        SDL_ShowCursor(SDL_ENABLE);
    m_windows.clear();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    // The last user of SDL also gives back its signal handlers and hints.
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0)
        SDL_Quit();
}

SdlBackend::Window* SdlBackend::Find(HWND window)
{
    auto it = m_windows.find(window);
    return it == m_windows.end() ? nullptr : it->second.get();
}

const SdlBackend::Window* SdlBackend::Find(HWND window) const
{
    auto it = m_windows.find(window);
    return it == m_windows.end() ? nullptr : it->second.get();
}

Size SdlBackend::ScreenSize()
{
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0)
        throw Exception(std::string("Cannot read the screen size: ") + SDL_GetError());
    return {mode.w, mode.h};
}

void SdlBackend::CreateNativeWindow(HWND handle, const NativeWindowInfo& info)
{
    auto window = std::make_unique<Window>();
    window->Info = info;
    if (info.ForeignParent != 0) {
        // Inside a foreign window (a screensaver host's preview pane): SDL
        // draws straight into it; the host keeps its own size and place.
        if (!Host().Exists(uint32_t(info.ForeignParent)))
            throw Exception("The host window " + std::to_string(info.ForeignParent) + " does not exist");
        window->Sdl.reset(SDL_CreateWindowFrom(reinterpret_cast<void*>(uintptr_t(info.ForeignParent))));
        if (!window->Sdl)
            throw Exception(std::string("Cannot draw into the host window: ") + SDL_GetError());
        CreateRenderer(*window);
        m_windows[handle] = std::move(window);
        return;
    }
    const Rect& b = info.Bounds;
    uint32_t flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS;
    if (info.StayOnTop)
        flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    window->Sdl.reset(SDL_CreateWindow(info.Caption.c_str(), b.Left + m_origin.X, b.Top + m_origin.Y, std::max(b.Width(), 1),
                                       std::max(b.Height(), 1), flags));
    if (!window->Sdl)
        throw Exception(std::string("Cannot create a window: ") + SDL_GetError());
    CreateRenderer(*window);
    ApplyBounds(*window);
    m_windows[handle] = std::move(window);
}

void SdlBackend::CreateRenderer(Window& window)
{
    // Frames are composed by our own raster layer; presenting only copies
    // them. Without direct rendering OpenGL would be Mesa's software
    // rasteriser, some 60 MB of compiler for that copy: the window's own
    // surface (shared memory with the X server) serves instead.
    if (!Host().DirectRendering()) {
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        window.Renderer.reset(SDL_CreateRenderer(window.Sdl.get(), -1, SDL_RENDERER_SOFTWARE));
        if (window.Renderer)
            return;
    }
    // A vsync-locked renderer; a display that offers none still gets a
    // picture from whatever renderer it has.
    window.Renderer.reset(SDL_CreateRenderer(window.Sdl.get(), -1, SDL_RENDERER_PRESENTVSYNC));
    if (!window.Renderer) {
        m_log << "sdl: no vsync renderer (" << SDL_GetError() << "); frames may tear" << std::endl;
        window.Renderer.reset(SDL_CreateRenderer(window.Sdl.get(), -1, 0));
    }
    if (!window.Renderer)
        window.Renderer.reset(SDL_CreateRenderer(window.Sdl.get(), -1, SDL_RENDERER_SOFTWARE));
    if (!window.Renderer)
        throw Exception(std::string("Cannot draw into a window: ") + SDL_GetError());
}

X11Host& SdlBackend::Host()
{
    // Made on first use, after SDL has set up the display, so that its
    // error handler is the one in force.
    if (!m_host)
        m_host = std::make_unique<X11Host>();
    return *m_host;
}

void SdlBackend::ApplyBounds(Window& window)
{
    if (!window.Sdl || window.Info.ForeignParent != 0) {
        window.Dirty = true;
        return;
    }
    const Rect& b = window.Info.Bounds;
    // Covering the screen is the window manager's full-screen state, so that
    // panels go below it too; anything else is a plain placed window. The
    // framework's screen is the primary display, wherever that lies.
    const bool fullScreen = IsFullScreen(window);
    if (fullScreen)
        SDL_SetWindowPosition(window.Sdl.get(), m_origin.X, m_origin.Y);
    SDL_SetWindowFullscreen(window.Sdl.get(), fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    if (!fullScreen) {
        SDL_SetWindowSize(window.Sdl.get(), std::max(b.Width(), 1), std::max(b.Height(), 1));
        SDL_SetWindowPosition(window.Sdl.get(), b.Left + m_origin.X, b.Top + m_origin.Y);
    }
    UpdateCovers(window);
    window.Dirty = true;
}

bool SdlBackend::IsFullScreen(const Window& window)
{
    const Size screen = ScreenSize();
    return window.Info.ForeignParent == 0 && window.Info.Bounds == Rect::FromSize(0, 0, screen.Width, screen.Height);
}

void SdlBackend::UpdateCovers(Window& window)
{
    const bool wanted = window.Sdl && window.Visible && IsFullScreen(window);
    if (!wanted) {
        window.Covers.clear();
        return;
    }
    if (!window.Covers.empty())
        return;
    uint32_t flags = SDL_WINDOW_BORDERLESS;
    if (window.Info.StayOnTop)
        flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    for (const Rect& r : ReadDisplays().Covers) {
        std::unique_ptr<SDL_Window, SdlDeleter> cover(
            SDL_CreateWindow(window.Info.Caption.c_str(), r.Left, r.Top, r.Width(), r.Height(), flags));
        if (!cover) {
            m_log << "sdl: no cover for the display at " << r.Left << "," << r.Top << " (" << SDL_GetError() << ")"
                  << std::endl;
            continue;
        }
        SDL_SetWindowFullscreen(cover.get(), SDL_WINDOW_FULLSCREEN_DESKTOP);
        SDL_ShowWindow(cover.get());
        PaintCover(cover.get());
        window.Covers.push_back(std::move(cover));
    }
}

HWND SdlBackend::CoverOwner(uint32_t windowId) const
{
    for (const auto& [handle, window] : m_windows)
        for (const auto& cover : window->Covers)
            if (SDL_GetWindowID(cover.get()) == windowId)
                return handle;
    return 0;
}

void SdlBackend::DestroyNativeWindow(HWND window) { m_windows.erase(window); }

void SdlBackend::SetNativeWindowBounds(HWND handle, const Rect& bounds)
{
    Window* window = Find(handle);
    if (!window || window->Info.Bounds == bounds)
        return;
    window->Info.Bounds = bounds;
    ApplyBounds(*window);
}

void SdlBackend::ShowNativeWindow(HWND handle, bool visible)
{
    Window* window = Find(handle);
    if (!window)
        return;
    window->Visible = visible;
    if (!window->Sdl)
        return;
    if (window->Info.ForeignParent != 0) {
        // The host shows and hides itself; ours only draws or stops.
        window->Dirty = visible;
        return;
    }
    // The covers come up first, so that the saver's own window ends on top
    // with the keyboard.
    UpdateCovers(*window);
    if (visible) {
        window->ShowOrder = ++m_showOrder;
        SDL_ShowWindow(window->Sdl.get());
        SDL_RaiseWindow(window->Sdl.get());
        // Black until the form's first paint arrives.
        window->Dirty = true;
    } else {
        SDL_HideWindow(window->Sdl.get());
    }
}

void SdlBackend::Present(HWND handle, const Bitmap& surface, const Rect& dirty)
{
    Window* window = Find(handle);
    if (!window || !window->Renderer || surface.Empty())
        return;
    const Size size{surface.Width(), surface.Height()};
    Rect area = dirty.Intersected(Rect::FromSize(0, 0, size.Width, size.Height));
    if (!window->Texture || window->TextureSize != size) {
        window->Texture.reset(SDL_CreateTexture(window->Renderer.get(), SDL_PIXELFORMAT_RGB888,
                                                SDL_TEXTUREACCESS_STREAMING, size.Width, size.Height));
        if (!window->Texture)
            throw Exception(std::string("Cannot create a window texture: ") + SDL_GetError());
        window->TextureSize = size;
        area = Rect::FromSize(0, 0, size.Width, size.Height);
    }
    if (area.IsEmpty())
        return;
    const SDL_Rect rect{area.Left, area.Top, area.Width(), area.Height()};
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(window->Texture.get(), &rect, &pixels, &pitch) != 0)
        throw Exception(std::string("Cannot update a window texture: ") + SDL_GetError());
    const int bytesPerPixel = BitsPerPixel(surface.GetPixelFormat()) / 8;
    for (int32_t y = area.Top; y < area.Bottom; ++y)
        CopyRow(surface.ScanLine(y) + size_t(area.Left) * size_t(bytesPerPixel),
                static_cast<uint8_t*>(pixels) + size_t(y - area.Top) * size_t(pitch), area.Width(),
                surface.GetPixelFormat());
    SDL_UnlockTexture(window->Texture.get());
    window->Dirty = true;
}

void SdlBackend::Render(Window& window)
{
    SDL_Renderer* renderer = window.Renderer.get();
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    if (!window.Texture)
        return;
    if (window.Info.ForeignParent != 0) {
        // In a host: at the form's place in the host's client area.
        const Rect& b = window.Info.Bounds;
        const SDL_Rect dest{b.Left, b.Top, window.TextureSize.Width, window.TextureSize.Height};
        SDL_RenderCopy(renderer, window.Texture.get(), nullptr, &dest);
        return;
    }
    SDL_RenderCopy(renderer, window.Texture.get(), nullptr, nullptr);
}

bool SdlBackend::GetForeignWindowRect(HWND foreign, Rect& rect)
{
    const std::optional<Rect> found = Host().WindowRect(uint32_t(foreign));
    if (found)
        rect = *found;
    return found.has_value();
}

HWND SdlBackend::DesktopWindow() { return HWND(Host().RootWindowId()); }

Point SdlBackend::ScreenPoint(uint32_t windowId, int32_t x, int32_t y) const
{
    SDL_Window* window = windowId ? SDL_GetWindowFromID(windowId) : nullptr;
    if (!window)
        return {x - m_origin.X, y - m_origin.Y};
    int left = 0, top = 0;
    SDL_GetWindowPosition(window, &left, &top);
    return {left + x - m_origin.X, top + y - m_origin.Y};
}

void SdlBackend::Translate(const SDL_Event& e, InputSink& sink)
{
    switch (e.type) {
    case SDL_QUIT:
        sink.TerminateRequested();
        break;
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE)
            sink.SystemCommand(SC_CLOSE);
        else if (e.window.event == SDL_WINDOWEVENT_EXPOSED)
            for (auto& [handle, w] : m_windows) {
                if (w->Sdl && SDL_GetWindowID(w->Sdl.get()) == e.window.windowID)
                    w->Dirty = true;
                for (const auto& cover : w->Covers)
                    if (SDL_GetWindowID(cover.get()) == e.window.windowID)
                        PaintCover(cover.get());
            }
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const uint16_t key = VirtualKeyFromSdl(e.key.keysym.sym);
        const bool down = e.type == SDL_KEYDOWN;
        // The platform reports keys typed with Alt held, Alt itself and F10
        // as system keys.
        const bool system = (e.key.keysym.mod & KMOD_ALT) || key == VK_MENU || key == VK_F10;
        sink.Key(system ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP), key);
        if (down && !e.key.repeat && key == VK_F4 && (e.key.keysym.mod & KMOD_ALT))
            sink.SystemCommand(SC_CLOSE);
        break;
    }
    case SDL_MOUSEMOTION:
        m_cursor = ScreenPoint(e.motion.windowID, e.motion.x, e.motion.y);
        // Input on a display's cover belongs to the window it covers for.
        if (const HWND owner = CoverOwner(e.motion.windowID))
            sink.MouseOn(owner, WM_MOUSEMOVE, *m_cursor);
        else
            sink.MouseMoved(*m_cursor);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const bool down = e.type == SDL_MOUSEBUTTONDOWN;
        uint32_t message = 0;
        if (e.button.button == SDL_BUTTON_LEFT)
            message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
        else if (e.button.button == SDL_BUTTON_RIGHT)
            message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
        else if (e.button.button == SDL_BUTTON_MIDDLE)
            message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
        m_cursor = ScreenPoint(e.button.windowID, e.button.x, e.button.y);
        if (const HWND owner = message ? CoverOwner(e.button.windowID) : 0)
            sink.MouseOn(owner, message, *m_cursor);
        else if (message)
            sink.MouseButton(message, *m_cursor);
        break;
    }
    default:
        break;
    }
}

uint32_t SdlBackend::PumpEvents(InputSink& sink)
{
    SDL_Event event;
    while (SDL_PollEvent(&event))
        Translate(event, sink);
    CheckHosts(sink);
    for (auto& [handle, window] : m_windows) {
        if (!window->Visible || !window->Dirty || !window->Renderer || window->HostGone)
            continue;
        Render(*window);
        SDL_RenderPresent(window->Renderer.get());
        window->Dirty = false;
    }
    return kPollMs;
}

void SdlBackend::CheckHosts(InputSink& sink)
{
    // A host that goes away sends us nothing we could rely on: ask the X
    // server now and then whether it is still there.
    const uint32_t now = SDL_GetTicks();
    if (now - m_lastHostCheck < kHostCheckMs)
        return;
    m_lastHostCheck = now;
    std::vector<HWND> gone;
    for (auto& [handle, window] : m_windows) {
        const HWND host = window->Info.ForeignParent;
        if (host == 0 || window->HostGone || Host().Exists(uint32_t(host)))
            continue;
        window->HostGone = true;
        m_log << "sdl: the host window " << host << " is gone" << std::endl;
        if (std::find(gone.begin(), gone.end(), host) == gone.end())
            gone.push_back(host);
    }
    for (HWND host : gone)
        sink.HostWindowDestroyed(host);
}

Point SdlBackend::GetCursorPos()
{
    // SDL's global mouse state is not fresh for moves it learns of only
    // through events (XInput2 injected or absolute motion): the events are
    // the truth.
    if (m_cursor)
        return *m_cursor;
    if (const std::optional<Point> pointer = Host().PointerPosition())
        return {pointer->X - m_origin.X, pointer->Y - m_origin.Y};
    int x = 0, y = 0;
    SDL_GetGlobalMouseState(&x, &y);
    return {x - m_origin.X, y - m_origin.Y};
}

int SdlBackend::ShowCursor(bool show)
{
    // The platform's display counter: the cursor shows while it is >= 0.
    m_cursorCount += show ? 1 : -1;
    SDL_ShowCursor(m_cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    m_log << "ShowCursor: " << (show ? "TRUE" : "FALSE") << " -> " << m_cursorCount << std::endl;
    return m_cursorCount;
}

bool SdlBackend::CursorVisible() const { return SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE; }

void SdlBackend::MessageBox(const std::string& caption, const std::string& text)
{
    m_log << "messagebox: " << caption << ": " << text << std::endl;
    // Owned by the most recently shown window, so that it comes up above a
    // window that stays on top.
    SDL_Window* owner = nullptr;
    uint64_t newest = 0;
    for (const auto& [handle, w] : m_windows)
        if (w->Sdl && w->Visible && w->ShowOrder >= newest) {
            owner = w->Sdl.get();
            newest = w->ShowOrder;
        }
    DefaultSignals signals;
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption.c_str(), text.c_str(), owner) != 0) {
        // The user must hear of it somewhere, trace or not.
        std::cerr << caption << ": " << text << " (no message box: " << SDL_GetError() << ")" << std::endl;
    }
}

HWND SdlBackend::FindWindowA(const std::string& className) { return m_taskbar.FindWindowA(className); }

bool SdlBackend::ShowWindow(HWND foreign, int command) { return m_taskbar.ShowWindow(foreign, command); }

std::string SdlBackend::GetTempPathA()
{
    const std::string path = PrivateTempFolder();
    m_tempFolder = path;
    m_log << "GetTempPathA: " << path << std::endl;
    return path;
}

std::string SdlBackend::ExecutablePath() { return OwnExecutablePath(); }

void SdlBackend::RunEnded()
{
    if (m_tempFolder.empty())
        return;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(m_tempFolder, ec)) {
        std::error_code removeError;
        std::filesystem::remove_all(entry.path(), removeError);
    }
    m_log << "RunEnded: emptied " << m_tempFolder << std::endl;
}

unsigned long SdlBackend::X11Window(HWND handle) const
{
    const Window* window = Find(handle);
    if (!window || !window->Sdl)
        return 0;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window->Sdl.get(), &info) || info.subsystem != SDL_SYSWM_X11)
        return 0;
    return static_cast<unsigned long>(info.info.x11.window);
}

uint32_t SdlBackend::NativeWindowId(HWND handle) const
{
    const Window* window = Find(handle);
    return window && window->Sdl ? SDL_GetWindowID(window->Sdl.get()) : 0;
}

Rect SdlBackend::NativeWindowRect(HWND handle) const
{
    const Window* window = Find(handle);
    if (!window || !window->Sdl)
        return {};
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(window->Sdl.get(), &x, &y);
    SDL_GetWindowSize(window->Sdl.get(), &w, &h);
    return Rect::FromSize(x, y, w, h);
}

bool SdlBackend::ReadWindowPixels(HWND handle, Bitmap& out)
{
    Window* window = Find(handle);
    if (!window || !window->Renderer || !window->Texture)
        return false;
    int w = 0, h = 0;
    if (SDL_GetRendererOutputSize(window->Renderer.get(), &w, &h) != 0 || w <= 0 || h <= 0)
        return false;
    Render(*window);
    out.SetPixelFormat(PixelFormat::pf32bit);
    out.SetSize(w, h);
    std::vector<uint8_t> rows(size_t(w) * size_t(h) * 4);
    if (SDL_RenderReadPixels(window->Renderer.get(), nullptr, SDL_PIXELFORMAT_RGB888, rows.data(), w * 4) != 0)
        return false;
    for (int32_t y = 0; y < h; ++y)
        std::memcpy(out.ScanLine(y), rows.data() + size_t(y) * size_t(w) * 4, size_t(w) * 4);
    window->Dirty = true;
    return true;
}

} // namespace saver
