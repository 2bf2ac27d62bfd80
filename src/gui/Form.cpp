#include "gui/Form.h"

#include "gui/Application.h"

namespace saver {

Form::Form()
{
    m_bounds = Rect::FromSize(0, 0, 320, 240);
    m_visible = false;
}

Form::~Form()
{
    DestroyHandle();
}

Component& Form::InsertComponent(std::unique_ptr<Component> component)
{
    m_components.push_back(std::move(component));
    return *m_components.back();
}

Component* Form::FindComponent(std::string_view name) const
{
    for (const auto& component : m_components)
        if (component->Name == name)
            return component.get();
    return nullptr;
}

void Form::DoCreate()
{
    if (OnCreate)
        OnCreate(this);
}

void Form::ApplyWindowState()
{
    if (State == WindowState::wsMaximized && m_parentWindow == 0) {
        const Size screen = Application::Current().GetBackend().ScreenSize();
        SetBounds(0, 0, screen.Width, screen.Height);
    }
}

void Form::CreateNativeWindow()
{
    if (m_nativeCreated || !m_handle)
        return;
    NativeWindowInfo info;
    info.ForeignParent = m_parentWindow;
    info.Bounds = m_bounds;
    info.StayOnTop = Style == FormStyle::fsStayOnTop;
    info.Caption = Caption;
    Application::Current().GetBackend().CreateNativeWindow(m_handle, info);
    m_nativeCreated = true;
}

void Form::SetVisible(bool visible)
{
    if (visible)
        Show();
    else
        Hide();
}

void Form::Show()
{
    if (m_shown)
        return;
    m_visible = true;
    // The surface must exist before the first resize handler runs.
    if (m_surface.Width() != Width() || m_surface.Height() != Height())
        m_surface.SetSize(Width(), Height());
    const uint64_t sizeMessagesBefore = m_sizeMessages;
    ApplyWindowState();
    // The first appearance always reports a size, as the platform does.
    if (!m_everShown && m_sizeMessages == sizeMessagesBefore)
        Perform(WM_SIZE, 0, MakeLParam(Width(), Height()));
    m_everShown = true;
    CreateNativeWindow();
    m_shown = true;
    Application& app = Application::Current();
    app.GetBackend().ShowNativeWindow(m_handle, true);
    app.TopLevelShown(this);
    app.SetFocusedWindow(m_handle);
    Invalidate();
    if (OnShow)
        OnShow(this);
}

void Form::Hide()
{
    m_visible = false;
    if (!m_shown)
        return;
    m_shown = false;
    Application& app = Application::Current();
    if (m_nativeCreated)
        app.GetBackend().ShowNativeWindow(m_handle, false);
    app.TopLevelHidden(this);
    app.ControlHidden(this);
}

void Form::Close()
{
    if (m_modal) {
        m_modalResult = mrCancel;
        return;
    }
    Application& app = Application::Current();
    CloseAction action = CloseAction::caHide;
    if (OnClose)
        OnClose(this, action);
    if (action == CloseAction::caNone)
        return;
    if (app.MainForm() == this)
        app.Terminate();
    else
        Hide();
}

int Form::ShowModal()
{
    Application& app = Application::Current();
    m_modal = true;
    m_modalResult = mrNone;
    Show();
    for (;;) {
        app.HandleMessage();
        if (app.Terminated()) {
            m_modalResult = mrCancel;
            break;
        }
        if (m_modalResult != mrNone) {
            CloseAction action = CloseAction::caHide;
            if (OnClose)
                OnClose(this, action);
            if (action != CloseAction::caNone)
                break;
            m_modalResult = mrNone;
        }
    }
    Hide();
    m_modal = false;
    return m_modalResult;
}

void Form::BoundsChanged(const Rect& oldBounds)
{
    if (m_nativeCreated)
        Application::Current().GetBackend().SetNativeWindowBounds(m_handle, m_bounds);
    WinControl::BoundsChanged(oldBounds);
}

void Form::WMSize(Message& message)
{
    ++m_sizeMessages;
    m_surface.SetSize(Width(), Height());
    Invalidate();
    WinControl::WMSize(message);
    Resize();
}

void Form::Resize()
{
    if (OnResize)
        OnResize(this);
}

void Form::WMSysCommand(Message& message)
{
    if ((message.WParam & 0xFFF0) == SC_CLOSE)
        Close();
}

void Form::WMClose(Message&) { Close(); }

void Form::WMDestroy(Message&)
{
    if (m_nativeCreated) {
        Application& app = Application::Current();
        app.TopLevelHidden(this);
        app.GetBackend().DestroyNativeWindow(m_handle);
        m_nativeCreated = false;
        m_shown = false;
    }
}

void Form::DefaultHandler(Message& message)
{
    if (message.Msg == CM_HOSTDESTROYED) {
        // The window we live in is gone: nothing can show us any more.
        if (m_modal)
            m_modalResult = mrCancel;
        else
            Close();
    }
}

} // namespace saver
