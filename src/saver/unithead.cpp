#include "saver/unithead.h"

#include "core/Random.h"
#include "gui/Application.h"

namespace saver {

std::string TempPath;

TForm1::TForm1()
{
    Name = "Form1";
    Caption = "Lumivex";
    FormBorderStyle = BorderStyle::bsNone;
    Style = FormStyle::fsStayOnTop;
    State = WindowState::wsMaximized;
    KeyPreview = true;
    SetClientSize(492, 268);
    // Black until the picture control that covers the client area arrives.
    SetColor(clBlack);

    btnFlashFull = std::make_unique<Button>();
    btnFlashFull->Name = "btnFlashFull";
    btnFlashFull->Caption = "btnFlashFull";
    btnFlashFull->SetBounds(32, 48, 75, 25);
    btnFlashFull->SetVisible(false);
    btnFlashFull->SetParent(this);
    btnFlashFull->OnClick = [this](Component* s) { btnFlashFullClick(s); };

    SlidingTimer = std::make_unique<Timer>();
    SlidingTimer->Name = "SlidingTimer";
    SlidingTimer->SetEnabled(false);
    SlidingTimer->OnTimer = [this](Component* s) { SlidingTimerTimer(s); };

    OnCreate = [this](Component* s) { FormCreate(s); };
    OnClose = [this](Component* s, CloseAction& a) { FormClose(s, a); };
}

TForm1::~TForm1() = default;

void TForm1::FormCreate(Component*)
{
    Randomize();
    EnabledStyleCount = 0;
    TempPath = Application::Current().GetBackend().GetTempPathA();
    ItemIndex = 0;
    MusicIndex = 0;
    IdleTicks = 100;
    SpaceKeySent = false;
    Backend& backend = Application::Current().GetBackend();
    backend.ShowWindow(backend.FindWindowA("Shell_TrayWND"), SW_HIDE);
    m_taskbarHidden = true;
    SlidingTimer->SetEnabled(true);
}

void TForm1::SlidingTimerTimer(Component*)
{
    if (ItemCount == 0)
        return;
    if (ItemIndex >= ItemCount)
        ItemIndex = 0;
}

void TForm1::btnFlashFullClick(Component*) {}

void TForm1::ShowTaskbar()
{
    Backend& backend = Application::Current().GetBackend();
    backend.ShowWindow(backend.FindWindowA("Shell_TrayWND"), SW_SHOW);
    m_taskbarHidden = false;
}

void TForm1::FormClose(Component*, CloseAction&) { ShowTaskbar(); }

void TForm1::WMDestroy(Message& message)
{
    // The application can end without the window being closed (told to
    // terminate): the taskbar comes back all the same.
    if (m_taskbarHidden)
        ShowTaskbar();
    Form::WMDestroy(message);
}

} // namespace saver
