#include "ForeignWindow.h"
#include "TestDisplay.h"
#include "core/Diagnostics.h"
#include "core/Error.h"
#include "gdi/Bitmap.h"
#include "gdi/Canvas.h"
#include "gui/Application.h"
#include "gui/Form.h"
#include "gui/backend/BackendFactory.h"
#include "gui/backend/headless/HeadlessBackend.h"
#include "gui/backend/sdl/SdlBackend.h"
#include "gui/backend/sdl/SdlKeys.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <cstdio>
#include <sstream>
#include <thread>

using namespace saver;

namespace {

// Writes every sink call as one line, for comparing sequences.
class RecordingSink final : public InputSink {
public:
    std::vector<std::string> Calls;

    void MouseMoved(Point p) override { Add("move " + Text(p)); }
    void MouseButton(uint32_t message, Point p) override { Add(Hex(message) + " " + Text(p)); }
    void Key(uint32_t message, uint16_t key) override { Add(Hex(message) + " " + Hex(key)); }
    void SystemCommand(WPARAM command) override { Add("syscommand " + Hex(uint32_t(command))); }
    void TerminateRequested() override { Add("terminate"); }
    void HostWindowDestroyed(HWND) override { Add("hostgone"); }

private:
    void Add(const std::string& line) { Calls.push_back(line); }
    static std::string Hex(uint32_t v)
    {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "0x%X", v);
        return buffer;
    }
    static std::string Text(Point p) { return std::to_string(p.X) + "," + std::to_string(p.Y); }
};

// Pumps until `done` holds; the X server answers asynchronously. False after
// two seconds, far beyond what a window needs to appear.
bool PumpUntil(SdlBackend& backend, InputSink& sink, const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        backend.PumpEvents(sink);
        std::this_thread::yield();
    }
    return true;
}

class SdlBackendTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string why = saver::test::EnsureTestDisplay();
        if (!why.empty())
            GTEST_SKIP() << "the SDL backend needs an X display: " << why;
        backend = std::make_unique<SdlBackend>(log);
    }

    HWND OpenWindow(HWND handle, const Rect& bounds, bool stayOnTop = false)
    {
        backend->CreateNativeWindow(handle, {0, bounds, stayOnTop, "test"});
        backend->ShowNativeWindow(handle, true);
        EXPECT_TRUE(PumpUntil(*backend, sink, [&] { return backend->NativeWindowRect(handle) == bounds; }))
            << "placed at " << backend->NativeWindowRect(handle) << ", wanted " << bounds;
        return handle;
    }

    SDL_Event KeyEvent(HWND window, uint32_t type, SDL_Keycode key, uint16_t mod = KMOD_NONE)
    {
        SDL_Event e{};
        e.type = type;
        e.key.windowID = backend->NativeWindowId(window);
        e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.sym = key;
        e.key.keysym.mod = mod;
        return e;
    }

    std::ostringstream log;
    RecordingSink sink;
    std::unique_ptr<SdlBackend> backend;
};

TEST_F(SdlBackendTest, FullScreenWindowShowsTheSurfaceUprightAndUpdatesDirtyRectangles)
{
    const Size screen = backend->ScreenSize();
    const Rect all = Rect::FromSize(0, 0, screen.Width, screen.Height);
    const HWND window = OpenWindow(0x100, all, true);

    Bitmap surface(screen.Width, screen.Height, PixelFormat::pf32bit);
    Canvas& canvas = surface.GetCanvas();
    canvas.Brush.Color = clRed;
    canvas.FillRect({0, 0, screen.Width, screen.Height / 2});
    canvas.Brush.Color = clBlue;
    canvas.FillRect({0, screen.Height / 2, screen.Width, screen.Height});
    backend->Present(window, surface, all);
    backend->PumpEvents(sink);

    Bitmap shown;
    ASSERT_TRUE(backend->ReadWindowPixels(window, shown));
    ASSERT_EQ(shown.Width(), screen.Width);
    ASSERT_EQ(shown.Height(), screen.Height);
    EXPECT_EQ(shown.GetPixel(0, 0), clRed) << "the surface's rows are stored bottom-up";
    EXPECT_EQ(shown.GetPixel(screen.Width - 1, screen.Height - 1), clBlue);

    // Only the dirty rectangle reaches the window, at its own place.
    canvas.Brush.Color = clGreen;
    canvas.FillRect(all);
    const Rect dirty{10, 20, 30, 40};
    backend->Present(window, surface, dirty);
    ASSERT_TRUE(backend->ReadWindowPixels(window, shown));
    EXPECT_EQ(shown.GetPixel(10, 20), clGreen);
    EXPECT_EQ(shown.GetPixel(29, 39), clGreen);
    for (const Point outside : {Point{9, 20}, Point{30, 20}, Point{10, 19}, Point{10, 40}})
        EXPECT_EQ(shown.GetPixel(outside.X, outside.Y), clRed) << outside;
}

TEST_F(SdlBackendTest, NativeEventsBecomeSinkCallsInScreenCoordinates)
{
    // Away from the pointer, which the X server keeps at the screen's centre.
    const HWND window = OpenWindow(0x100, Rect::FromSize(100, 50, 150, 100));
    sink.Calls.clear();

    std::vector<SDL_Event> events = {KeyEvent(window, SDL_KEYDOWN, SDLK_a), KeyEvent(window, SDL_KEYUP, SDLK_a),
                                     KeyEvent(window, SDL_KEYDOWN, SDLK_LALT, KMOD_LALT),
                                     KeyEvent(window, SDL_KEYDOWN, SDLK_F4, KMOD_LALT)};
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.windowID = backend->NativeWindowId(window);
    motion.motion.x = 10;
    motion.motion.y = 20;
    events.push_back(motion);
    SDL_Event button{};
    button.type = SDL_MOUSEBUTTONDOWN;
    button.button.windowID = backend->NativeWindowId(window);
    button.button.button = SDL_BUTTON_RIGHT;
    button.button.x = 5;
    button.button.y = 6;
    events.push_back(button);
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.windowID = backend->NativeWindowId(window);
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    events.push_back(close);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    events.push_back(quit);
    for (SDL_Event& e : events)
        ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();

    EXPECT_EQ(backend->PumpEvents(sink), SdlBackend::kPollMs);
    EXPECT_EQ(sink.Calls, (std::vector<std::string>{
                              "0x100 0x41",        // WM_KEYDOWN 'A'
                              "0x101 0x41",        // WM_KEYUP 'A'
                              "0x104 0x12",        // WM_SYSKEYDOWN VK_MENU
                              "0x104 0x73",        // WM_SYSKEYDOWN VK_F4, with Alt held ...
                              "syscommand 0xF060", // ... is the close command
                              "move 110,70",
                              "0x204 105,56", // WM_RBUTTONDOWN
                              "syscommand 0xF060",
                              "terminate",
                          }));
}

// Before any mouse event the X server tells where the pointer is; after one,
// the last event does, even while the server's pointer is somewhere else.
TEST_F(SdlBackendTest, CursorPositionComesFromTheServerThenFromEvents)
{
    saver::test::ForeignWindow::WarpPointer(37, 41);
    EXPECT_EQ(backend->GetCursorPos(), (Point{37, 41}));
    const HWND window = OpenWindow(0x100, Rect::FromSize(100, 50, 150, 100));
    saver::test::ForeignWindow::WarpPointer(5, 7);

    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.windowID = backend->NativeWindowId(window);
    motion.motion.x = 149;
    motion.motion.y = 0;
    ASSERT_EQ(SDL_PushEvent(&motion), 1) << SDL_GetError();
    backend->PumpEvents(sink);
    EXPECT_EQ(backend->GetCursorPos(), (Point{249, 50}));

    SDL_Event button{};
    button.type = SDL_MOUSEBUTTONUP;
    button.button.windowID = motion.motion.windowID;
    button.button.button = SDL_BUTTON_X1; // no message, but a position all the same
    button.button.x = 0;
    button.button.y = 99;
    ASSERT_EQ(SDL_PushEvent(&button), 1) << SDL_GetError();
    backend->PumpEvents(sink);
    EXPECT_EQ(backend->GetCursorPos(), (Point{100, 149}));
}

TEST_F(SdlBackendTest, CursorHidesOnlyWhenAskedAndComesBackWithTheBackend)
{
    EXPECT_TRUE(backend->CursorVisible());
    // A second backend shares SDL's video with the first, so the first can
    // still look at the cursor after the second is gone.
    auto second = std::make_unique<SdlBackend>(log);
    EXPECT_EQ(second->ShowCursor(false), -1);
    EXPECT_FALSE(backend->CursorVisible());
    EXPECT_EQ(second->ShowCursor(true), 0);
    EXPECT_TRUE(backend->CursorVisible());
    EXPECT_EQ(second->ShowCursor(false), -1);
    EXPECT_EQ(second->ShowCursor(false), -2);
    second.reset();
    EXPECT_TRUE(backend->CursorVisible());
}

// The framework on the SDL backend: a maximized form covers the screen, is
// painted in its colour, and a key pressed on it reaches its key handler.
TEST_F(SdlBackendTest, FormOnTheDisplayGetsItsKeys)
{
    Application app(*backend);
    auto form = Form::Create<Form>();
    form->FormBorderStyle = BorderStyle::bsNone;
    form->Style = FormStyle::fsStayOnTop;
    form->State = WindowState::wsMaximized;
    form->SetColor(clBlack);
    std::vector<uint16_t> keys;
    form->OnKeyDown = [&](Component*, uint16_t& key, uint32_t) { keys.push_back(key); };
    form->Show();
    app.ProcessMessages();

    const Size screen = backend->ScreenSize();
    EXPECT_TRUE(PumpUntil(*backend, sink, [&] {
        return backend->NativeWindowRect(form->Handle()) == Rect::FromSize(0, 0, screen.Width, screen.Height);
    }));
    Bitmap shown;
    ASSERT_TRUE(backend->ReadWindowPixels(form->Handle(), shown));
    EXPECT_EQ(shown.GetPixel(screen.Width / 2, screen.Height / 2), clBlack);

    SDL_Event key = KeyEvent(form->Handle(), SDL_KEYDOWN, SDLK_SPACE);
    ASSERT_EQ(SDL_PushEvent(&key), 1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (keys.empty() && std::chrono::steady_clock::now() < deadline)
        app.HandleMessage();
    EXPECT_EQ(keys, (std::vector<uint16_t>{VK_SPACE}));
    form->DestroyHandle();
}

// Sets environment variables for one test and puts the old values back.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::initializer_list<std::pair<const char*, const char*>> values)
    {
        for (const auto& [name, value] : values) {
            const char* old = std::getenv(name);
            m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
            value ? setenv(name, value, 1) : unsetenv(name);
        }
    }
    ~ScopedEnvironment()
    {
        for (const auto& [name, value] : m_saved)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }

private:
    std::map<std::string, std::optional<std::string>> m_saved;
};

std::string CreateBackendError()
{
    std::ostringstream log;
    try {
        (void)CreateBackend(log);
    } catch (const Exception& e) {
        return e.what();
    }
    return "(no exception)";
}

// Display 4917: a display number nothing listens on.
TEST_F(SdlBackendTest, WindowInsideAForeignWindowDrawsThereAndHearsWhenItGoes)
{
    saver::test::ForeignWindow host(40, 30, 200, 150);
    ASSERT_NE(host.Handle(), 0u);
    Rect hostRect;
    ASSERT_TRUE(PumpUntil(*backend, sink, [&] { return backend->GetForeignWindowRect(host.Handle(), hostRect); }));
    EXPECT_EQ(hostRect.Width(), 200);
    EXPECT_EQ(hostRect.Height(), 150);

    const HWND window = 0x200;
    backend->CreateNativeWindow(window, {host.Handle(), Rect{0, 0, 200, 150}, false, "preview"});
    backend->ShowNativeWindow(window, true);
    Bitmap surface(200, 150, PixelFormat::pf32bit);
    surface.GetCanvas().Brush.Color = clWhite;
    surface.GetCanvas().FillRect({0, 0, 200, 150});
    surface.GetCanvas().Brush.Color = clBlue;
    surface.GetCanvas().FillRect({0, 24, 145, 58});
    backend->Present(window, surface, {0, 0, 200, 150});
    EXPECT_TRUE(PumpUntil(*backend, sink, [&] {
        return host.PixelAt(10, 30) == clBlue && host.PixelAt(10, 10) == clWhite && host.PixelAt(199, 149) == clWhite;
    })) << "the host shows " << std::hex << host.PixelAt(10, 30) << " and " << host.PixelAt(10, 10);

    host.Destroy();
    EXPECT_TRUE(PumpUntil(*backend, sink, [&] { return !sink.Calls.empty() && sink.Calls.back() == "hostgone"; }));
    EXPECT_FALSE(backend->GetForeignWindowRect(host.Handle(), hostRect));
    // Drawing on after the host has gone neither fails nor ends the process.
    backend->Present(window, surface, {0, 0, 200, 150});
    backend->PumpEvents(sink);
    backend->DestroyNativeWindow(window);
}

TEST_F(SdlBackendTest, NoForeignWindowByThatNumber)
{
    Rect rect;
    EXPECT_FALSE(backend->GetForeignWindowRect(HWND(0x7FFFFFF), rect));
    EXPECT_THROW(backend->CreateNativeWindow(0x300, {HWND(0x7FFFFFF), Rect{0, 0, 10, 10}, false, "x"}), Exception);
}

TEST(BackendChoice, TheDisplayUnlessHeadlessIsAskedFor)
{
    std::ostringstream log;
    {
        // No display and nothing asked for: the SDL backend fails, naming
        // the display, rather than run unseen (headless, or on SDL's
        // off-screen driver).
        ScopedEnvironment env{{"SAVER_BACKEND", nullptr},
                              {"DISPLAY", nullptr},
                              {"WAYLAND_DISPLAY", nullptr},
                              {"SDL_VIDEODRIVER", nullptr}};
        EXPECT_NE(CreateBackendError().find("cannot open display (DISPLAY is not set): "), std::string::npos)
            << CreateBackendError();
    }
    {
        ScopedEnvironment env{{"SAVER_BACKEND", "headless"}, {"DISPLAY", ":4917"}};
        EXPECT_NE(dynamic_cast<HeadlessBackend*>(CreateBackend(log).get()), nullptr);
    }
    {
        ScopedEnvironment env{{"SAVER_BACKEND", nullptr}, {"DISPLAY", ":4917"}, {"SDL_VIDEODRIVER", "x11"}};
        EXPECT_NE(CreateBackendError().find("cannot open display \":4917\": "), std::string::npos)
            << CreateBackendError();
    }
    {
        ScopedEnvironment env{{"SAVER_BACKEND", "win32"}};
        EXPECT_NE(CreateBackendError().find("Unknown SAVER_BACKEND 'win32' (available: sdl, headless)"),
                  std::string::npos);
    }
}

// The SDL backend's trace reaches the log only when SAVER_TRACE asks for it.
TEST(Trace, OnlyWhenAskedFor)
{
    for (const char* value : {static_cast<const char*>(nullptr), "", "0", "1"}) {
        ScopedEnvironment env{{"SAVER_TRACE", value}};
        std::ostringstream log;
        TraceStream(log) << "line";
        const bool asked = value && std::string(value) == "1";
        EXPECT_EQ(log.str(), asked ? "line" : "") << (value ? value : "(unset)");
    }
}

// The private folder is emptied at the end of a run, but only once it has
// been handed out: the backend never touches a folder it did not give.
TEST_F(SdlBackendTest, RunEndEmptiesThePrivateFolderItHandedOut)
{
    const std::filesystem::path runtime = std::filesystem::path(SAVER_BINARY_DIR) / "test-scratch" / "sdl-run-end";
    std::filesystem::remove_all(runtime);
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    ScopedEnvironment env{{"XDG_RUNTIME_DIR", runtime.c_str()}};
    const std::filesystem::path folder = runtime / "quorbel";
    std::filesystem::create_directories(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    const auto write = [&](const char* name) { std::ofstream(folder / name) << "x"; };
    write("fpics0.jpg");
    backend->RunEnded();
    EXPECT_TRUE(std::filesystem::exists(folder / "fpics0.jpg")) << "not handed out yet";

    ASSERT_EQ(backend->GetTempPathA(), folder.string() + "/");
    write("qorvane0.mp3");
    backend->RunEnded();
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

// The ranges that are computed rather than listed, at both ends, and the
// keys whose two sides become one code.
TEST(SdlKeys, MapToVirtualKeyCodes)
{
    const std::pair<SDL_Keycode, uint16_t> cases[] = {
        {SDLK_a, 'A'},         {SDLK_z, 'Z'},         {SDLK_0, '0'},         {SDLK_9, '9'},
        {SDLK_F1, 0x70},       {SDLK_F12, 0x7B},      {SDLK_F13, 0x7C},      {SDLK_F24, 0x87},
        {SDLK_KP_1, 0x61},     {SDLK_KP_9, 0x69},     {SDLK_LSHIFT, 0x10},   {SDLK_RSHIFT, 0x10},
        {SDLK_LCTRL, 0x11},    {SDLK_RCTRL, 0x11},    {SDLK_LALT, VK_MENU},  {SDLK_RALT, VK_MENU},
        {SDLK_AUDIOPLAY, kUnmappedVirtualKey}, // still a key for "any key"
    };
    for (const auto& [key, expected] : cases)
        EXPECT_EQ(VirtualKeyFromSdl(key), expected) << SDL_GetKeyName(key);
}

} // namespace
