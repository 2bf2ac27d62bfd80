#include "saver/unithead.h"

#include "core/Diagnostics.h"
#include "core/Error.h"
#include "core/Random.h"
#include "core/Utf8Path.h"
#include "gdi/Jpeg.h"
#include "gui/Application.h"
#include "payload/Trailer.h"
#include "transitions/PSEffect.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <iostream>

namespace saver {

std::string TempPath;

namespace {

std::atomic<bool> g_taskbarHidden{false};

Backend& Platform() { return Application::Current().GetBackend(); }

} // namespace

void HideTaskbar()
{
    Platform().ShowWindow(Platform().FindWindowA("Shell_TrayWND"), SW_HIDE);
    g_taskbarHidden = true;
}

void RestoreTaskbar()
{
    Platform().ShowWindow(Platform().FindWindowA("Shell_TrayWND"), SW_SHOW);
    g_taskbarHidden = false;
}

TForm1::TForm1(HWND hostWindow)
{
    Name = "Form1";
    Caption = "Lumivex";
    FormBorderStyle = BorderStyle::bsNone;
    Style = FormStyle::fsStayOnTop;
    State = WindowState::wsMaximized;
    KeyPreview = true;
    SetColor(clBtnFace);
    SetClientSize(492, 268);

    PicShow1 = std::make_unique<TPicShow>();
    PicShow1->Name = "PicShow1";
    PicShow1->SetAlign(Align::alClient);
    PicShow1->SetCenter(true);
    PicShow1->SetColor(clBlack);
    PicShow1->SetParentColor(false);
    PicShow1->OnClick = [](Component*) {};
    PicShow1->OnMouseMove = [](Component*, uint32_t, int32_t, int32_t) {};
    PicShow1->SetParent(this);

    FlashPlayer = std::make_unique<TShockwaveFlash>();
    FlashPlayer->Name = "FlashPlayer";
    FlashPlayer->SetBounds(0, 0, 1, 1);
    FlashPlayer->SetVisible(false);
    FlashPlayer->SetParent(this);

    btnFlashFull = std::make_unique<Button>();
    btnFlashFull->Name = "btnFlashFull";
    btnFlashFull->Caption = "btnFlashFull";
    btnFlashFull->SetBounds(32, 48, 75, 25);
    btnFlashFull->SetVisible(false);
    btnFlashFull->SetParent(this);
    btnFlashFull->OnClick = [this](Component* s) { btnFlashFullClick(s); };

    mpBack = std::make_unique<TMediaPlayer>();
    mpBack->Name = "mpBack";
    mpBack->OnNotify = [this](Component* s) { mpBackNotify(s); };

    SlidingTimer = std::make_unique<Timer>();
    SlidingTimer->Name = "SlidingTimer";
    SlidingTimer->SetEnabled(false);
    SlidingTimer->OnTimer = [this](Component* s) { SlidingTimerTimer(s); };

    OnCreate = [this](Component* s) { FormCreate(s); };
    OnResize = [this](Component* s) { FormResize(s); };
    OnKeyDown = [this](Component* s, uint16_t& key, uint32_t shift) { FormKeyDown(s, key, shift); };
    OnClose = [this](Component* s, CloseAction& a) { FormClose(s, a); };

    if (hostWindow != 0) {
        Rect host;
        if (!Platform().GetForeignWindowRect(hostWindow, host))
            throw Exception("The host window " + std::to_string(hostWindow) + " does not exist");
        SetParentWindow(hostWindow);
        SetBounds(0, 0, host.Width(), host.Height());
    }
}

TForm1::~TForm1() = default;

// ------------------------------------------------------------------- create

void TForm1::FormCreate(Component*)
{
    Application& app = Application::Current();
    Randomize();
    EnabledStyleCount = 0;
    saver::TempPath = Platform().GetTempPathA();
    app.OnMessage = [this](Message& m, bool& handled) { AppMessage(m, handled); };
    ReadPayload(Platform().ExecutablePath(), *this);
    // A Flash payload cannot play without a Flash player: say so and end,
    // rather than show a black screen. Picture payloads never need one.
    if (PlayMode == TPlayMode::pmFlash && !FlashPlayer->Available()) {
        app.MessageBox(FlashPlayer->UnavailableReason(), app.Title());
        app.Terminate();
    }
    ItemIndex = 0;
    MusicIndex = 0;
    IdleTicks = 100;
    mpBack->SetNotify(true);
    SpaceKeySent = false;
    if (!HostMode())
        HideTaskbar();
    SlidingTimer->SetEnabled(true);
}

// ------------------------------------------------------------ payload target

const std::string& TForm1::TempPath() const { return saver::TempPath; }

void TForm1::SetFlashSize(int32_t width, int32_t height)
{
    FlashPlayer->SetBounds(FlashPlayer->Left(), FlashPlayer->Top(), width, height);
}

void TForm1::SetFlashVisible(bool visible)
{
    if (!FlashPlayer->Available())
        throw Exception(FlashPlayer->UnavailableReason());
    FlashPlayer->SetVisible(visible);
}

void TForm1::LoadMovie(const std::string& path) { FlashPlayer->SetMovie(path); }

void TForm1::PlayMovie() { FlashPlayer->Play(); }

void TForm1::StartMusic(const std::string& path)
{
    mpBack->FileName = path;
    mpBack->Open();
    mpBack->Play();
}

void TForm1::HideCursor()
{
    if (!HostMode())
        Platform().ShowCursor(false);
}

Point TForm1::GetCursorPos() { return Platform().GetCursorPos(); }

void TForm1::ShowLoadError(const std::string& text)
{
    Application& app = Application::Current();
    app.MessageBox(text, app.Title());
    app.Terminate();
}

// --------------------------------------------------------------- playback

void TForm1::SlidingTimerTimer(Component*)
{
    if (ItemCount == 0)
        return;
    if (PlayMode == TPlayMode::pmPicture) {
        if (!PicShow1->Busy()) {
            if (++IdleTicks < PictureInterval)
                return;
            PictureTick();
        }
    } else if (PlayMode == TPlayMode::pmFlash) {
        FlashTick();
    }
    if (ItemIndex >= ItemCount)
        ItemIndex = 0;
}

void TForm1::PictureTick()
{
    IdleTicks = 0;
    PicShow1->Stop();
    const int32_t r = Random(EnabledStyleCount);
    const uint8_t style = EnabledStyles[size_t(r)];
    PicShow1->SetStyle(style);
    // A picture that cannot be shown costs only itself: the next one comes
    // in its place, and with none left the screen stays as it is.
    for (int32_t tried = 0; tried < ItemCount; ++tried) {
        const int32_t index = ItemIndex;
        if (++ItemIndex >= ItemCount)
            ItemIndex = 0;
        if (LoadPicture(index)) {
            TraceStream(std::cerr) << "transition: picture " << index << ", style " << int{style} << " ("
                                   << ShowStyleName(style) << ")" << std::endl;
            PicShow1->Execute();
            return;
        }
    }
}

bool TForm1::LoadPicture(int32_t index)
{
    if (SkippedPictures.count(index))
        return false;
    const std::string path = saver::TempPath + "fpics" + std::to_string(index) + ".jpg";
    try {
        // The control shows the picture centred at its own size, so only
        // the middle that fits the screen is decoded: memory follows the
        // screen, not the photo.
        auto graphic = std::make_unique<BitmapGraphic>();
        std::string warning;
        LoadJpegFile(path, graphic->GetBitmap(), {PicShow1->ClientWidth(), PicShow1->ClientHeight()}, &warning);
        if (!warning.empty() && WarnedPictures.insert(index).second)
            ReportDiagnostic("picture " + std::to_string(index) + " is damaged, shown as far as it goes: " + warning);
        PicShow1->GetPicture().SetGraphic(std::move(graphic));
        return true;
    } catch (const std::exception& error) {
        ReportDiagnostic("picture " + std::to_string(index) + " skipped: " + error.what());
        SkippedPictures.insert(index);
        return false;
    }
}

void TForm1::FlashTick()
{
    const int32_t total = FlashPlayer->TotalFrames();
    const int32_t current = FlashPlayer->CurrentFrame();
    if (current >= total - 20) {
        FlashPlayer->SetMovie(saver::TempPath + "qorvane" + std::to_string(ItemIndex) + ".swf");
        FlashPlayer->Play();
        ++ItemIndex;
    }
}

void TForm1::FormResize(Component*)
{
    Application& app = Application::Current();
    SpaceKeySent = true;
    app.SendMessage(btnFlashFull->Handle(), WM_KEYDOWN, VK_SPACE, 1);
    app.SendMessage(btnFlashFull->Handle(), WM_KEYUP, VK_SPACE, 1);
    FlashPlayer->Repaint();
    SpaceKeySent = false;
}

void TForm1::btnFlashFullClick(Component*)
{
    Application& app = Application::Current();
    // In a host the movie fills the host's window, as it fills the screen.
    const Size screen = HostMode() ? Size{Width(), Height()} : Platform().ScreenSize();
    FlashPlayer->SetBounds(FlashPlayer->Left(), FlashPlayer->Top(), screen.Width, screen.Height);
    app.SendMessage(FlashPlayer->Handle(), WM_LBUTTONDOWN, 0, 0);
    app.SendMessage(FlashPlayer->Handle(), WM_LBUTTONUP, 0, 0);
    FlashPlayer->Repaint();
}

void TForm1::mpBackNotify(Component*)
{
    if (MusicCount == 0)
        return;
    if (mpBack->Mode() != MediaMode::Stopped && mpBack->Position() != mpBack->Length()) {
        mpBack->SetNotify(true); // still playing: only renew the request
        return;
    }
    if (MusicIndex >= MusicCount - 1)
        MusicIndex = -1;
    ++MusicIndex;
    const std::string extension(MusicTypeExtension(MusicTypes[size_t(MusicIndex)]));
    const std::string name = saver::TempPath + "qorvane" + std::to_string(MusicIndex) + extension;
    std::error_code ec;
    if (!std::filesystem::exists(Utf8Path(name), ec)) {
        Application& app = Application::Current();
        app.MessageBox("load music error", app.Title());
    }
    mpBack->FileName = name;
    mpBack->Open(); // a failure leaves here and is reported; the music stops
    mpBack->Play();
    mpBack->SetNotify(true);
}

// ------------------------------------------------------------- exit rules

void TForm1::AppMessage(Message& message, bool& handled)
{
    const bool buttonsClose = ExitsOnMouseButtons(ExitMode);
    if (message.Msg == WM_RBUTTONDOWN) {
        handled = true; // no control ever receives a right-button press
        if (buttonsClose)
            CloseOnInput();
    }
    if ((message.Msg == WM_RBUTTONDOWN || message.Msg == WM_LBUTTONDOWN) && buttonsClose)
        CloseOnInput();
    if (message.Msg == WM_MOUSEMOVE) {
        if (ExitsOnMouseMove(ExitMode))
            ++MoveCount;
        CurrentCursor = Platform().GetCursorPos();
        // Any direction counts: a user coming back may well move the mouse
        // left or up.
        if (MoveCount > 3 &&
            (std::abs(CurrentCursor.X - StartCursor.X) > 20 || std::abs(CurrentCursor.Y - StartCursor.Y) > 20))
            CloseOnInput();
    }
}

void TForm1::FormKeyDown(Component*, uint16_t& key, uint32_t)
{
    if (key == VK_SPACE && SpaceKeySent)
        return; // the space key FormResize sends to the hidden button
    if (ExitsOnKeys(ExitMode))
        CloseOnInput();
}

void TForm1::CloseOnInput()
{
    if (!HostMode())
        Close();
}

void TForm1::WMSysCommand(Message& message)
{
    if ((message.WParam & 0xFFF0) == SC_SCREENSAVE) {
        message.Result = 0; // the system's request to start a screensaver
        return;
    }
    if (HostMode())
        return; // the host, not a close command, ends the saver
    Form::WMSysCommand(message);
}

void TForm1::FormClose(Component*, CloseAction&)
{
    if (!HostMode())
        RestoreTaskbar();
}

void TForm1::WMDestroy(Message& message)
{
    // The application can end without the window being closed (told to
    // terminate, or the payload's load error): the taskbar comes back.
    if (g_taskbarHidden)
        RestoreTaskbar();
    Form::WMDestroy(message);
}

} // namespace saver
