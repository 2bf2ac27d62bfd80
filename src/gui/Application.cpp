#include "gui/Application.h"

#include "gui/Control.h"
#include "gui/Form.h"

#include <algorithm>
#include <cassert>

namespace saver {
namespace {

Application* g_application = nullptr;

Message MakeMessage(HWND window, uint32_t msg, WPARAM wParam, LPARAM lParam, uint32_t time)
{
    Message message;
    message.Hwnd = window;
    message.Msg = msg;
    message.WParam = wParam;
    message.LParam = lParam;
    message.Time = time;
    return message;
}

} // namespace

Application::Application(Backend& backend) : m_backend(backend), m_guiThread(std::this_thread::get_id())
{
    g_application = this;
    GetClock().AttachThread();
    GetClock().EnterThread();
}

Application::~Application()
{
    DestroyForms();
    GetClock().DetachThread();
    if (g_application == this)
        g_application = nullptr;
}

Application& Application::Current()
{
    assert(g_application && "no Application exists");
    return *g_application;
}

bool Application::Exists() { return g_application != nullptr; }

void Application::DestroyForms()
{
    // Windows are destroyed while every object is intact, newest first, so
    // that WM_DESTROY handlers of derived classes still run.
    for (auto it = m_forms.rbegin(); it != m_forms.rend(); ++it)
        (*it)->DestroyHandle();
    while (!m_forms.empty())
        m_forms.pop_back();
    m_mainForm = nullptr;
}

Form& Application::AddForm(std::unique_ptr<Form> form)
{
    Form& ref = *form;
    m_forms.push_back(std::move(form));
    if (!m_mainForm)
        m_mainForm = &ref;
    return ref;
}

void Application::Run()
{
    if (m_mainForm)
        m_mainForm->Show();
    while (!m_terminated)
        HandleMessage();
}

void Application::Terminate()
{
    m_quitPosted = true;
    GetClock().Notify();
}

void Application::HandleMessage()
{
    if (!ProcessMessage())
        Idle();
}

void Application::ProcessMessages()
{
    while (ProcessMessage()) {
    }
}

bool Application::ProcessMessage()
{
    Message message;
    if (!PeekMessage(message))
        return false;
    if (message.Msg == WM_QUIT) {
        m_terminated = true;
        return true;
    }
    if (message.Msg == WM_MOUSEMOVE) {
        TrackPointer(message);
        if (message.Hwnd == 0)
            return true; // the pointer is over none of our windows
    }
    bool handled = false;
    if (OnMessage) {
        try {
            OnMessage(message, handled);
        } catch (const std::exception& error) {
            HandleException(error);
        }
    }
    if (!handled)
        Dispatch(message);
    return true;
}

LRESULT Application::Dispatch(Message& message)
{
    MessageTarget* target = FindTarget(message.Hwnd);
    if (!target)
        return 0;
    try {
        target->WndProc(message);
    } catch (const std::exception& error) {
        HandleException(error);
    }
    return message.Result;
}

bool Application::HasWork()
{
    std::lock_guard lock(m_queueMutex);
    return !m_posted.empty() || !m_sent.empty() || m_quitPosted || !m_needsPaint.empty();
}

void Application::Idle()
{
    const uint32_t now = GetTickCount();
    uint32_t timeout = INFINITE;
    for (const TimerEntry& t : m_timers) {
        const int32_t left = int32_t(t.Due - now);
        timeout = std::min<uint32_t>(timeout, uint32_t(std::max(left, 0)));
    }
    if (m_backendDueSet) {
        const int32_t left = int32_t(m_backendDue - now);
        timeout = std::min<uint32_t>(timeout, uint32_t(std::max(left, 0)));
    }
    if (timeout == 0)
        return;
    GetClock().WaitFor(
        [this] {
            std::lock_guard lock(m_queueMutex);
            return !m_posted.empty() || !m_sent.empty() || m_quitPosted || !m_needsPaint.empty();
        },
        timeout);
}

void Application::ServeSentMessages()
{
    for (;;) {
        SentMessage* item = nullptr;
        {
            std::lock_guard lock(m_queueMutex);
            if (m_sent.empty())
                return;
            item = m_sent.front();
            m_sent.pop_front();
        }
        item->Msg.Result = Dispatch(item->Msg);
        item->Done = true;
        GetClock().Notify();
    }
}

bool Application::PeekMessage(Message& out)
{
    ServeSentMessages();
    const uint32_t wait = m_backend.PumpEvents(*this);
    m_backendDueSet = wait != INFINITE;
    // The clock is never read while the queue lock is held: the clock's
    // waiters read the queue under the clock's lock.
    const uint32_t now = GetTickCount();
    m_backendDue = now + (m_backendDueSet ? wait : 0);
    {
        std::lock_guard lock(m_queueMutex);
        if (!m_posted.empty()) {
            out = m_posted.front();
            m_posted.pop_front();
            return true;
        }
        if (m_quitPosted) {
            m_quitPosted = false;
            out = Message{};
            out.Msg = WM_QUIT;
            return true;
        }
        // WM_PAINT for the oldest window (parents before children) that has
        // something to repaint.
        for (auto it = m_needsPaint.begin(); it != m_needsPaint.end();) {
            if (m_windows.count(*it)) {
                out = MakeMessage(*it, WM_PAINT, 0, 0, now);
                return true;
            }
            it = m_needsPaint.erase(it);
        }
    }
    // WM_TIMER for the timer that is most overdue.
    TimerEntry* due = nullptr;
    for (TimerEntry& t : m_timers)
        if (int32_t(now - t.Due) >= 0 && (!due || int32_t(t.Due - due->Due) < 0))
            due = &t;
    if (due) {
        due->Due = now + due->Interval;
        out = MakeMessage(due->Window, WM_TIMER, due->Id, 0, now);
        return true;
    }
    return false;
}

bool Application::PostMessage(HWND window, uint32_t msg, WPARAM wParam, LPARAM lParam)
{
    const Message message = MakeMessage(window, msg, wParam, lParam, GetTickCount());
    {
        std::lock_guard lock(m_queueMutex);
        if (window != 0 && !m_windows.count(window))
            return false;
        m_posted.push_back(message);
    }
    GetClock().Notify();
    return true;
}

LRESULT Application::SendMessage(HWND window, uint32_t msg, WPARAM wParam, LPARAM lParam)
{
    if (IsGuiThread()) {
        Message message = MakeMessage(window, msg, wParam, lParam, GetTickCount());
        return Dispatch(message);
    }
    SentMessage item;
    item.Msg = MakeMessage(window, msg, wParam, lParam, GetTickCount());
    {
        std::lock_guard lock(m_queueMutex);
        if (!m_windows.count(window))
            return 0;
        m_sent.push_back(&item);
    }
    GetClock().Notify();
    GetClock().WaitFor([&item] { return item.Done.load(); }, INFINITE);
    return item.Msg.Result;
}

bool Application::DispatchPostedMessage(HWND window, uint32_t msg)
{
    Message message;
    {
        std::lock_guard lock(m_queueMutex);
        auto it = std::find_if(m_posted.begin(), m_posted.end(),
                               [&](const Message& m) { return m.Hwnd == window && m.Msg == msg; });
        if (it == m_posted.end())
            return false;
        message = *it;
        m_posted.erase(it);
    }
    Dispatch(message);
    return true;
}

bool Application::WaitServingSentMessages(const std::function<bool()>& ready, uint32_t timeoutMs)
{
    const uint32_t start = GetTickCount();
    for (;;) {
        ServeSentMessages();
        if (ready())
            return true;
        uint32_t left = INFINITE;
        if (timeoutMs != INFINITE) {
            const uint32_t elapsed = GetTickCount() - start;
            if (elapsed >= timeoutMs)
                return false;
            left = timeoutMs - elapsed;
        }
        GetClock().WaitFor(
            [&] {
                if (ready())
                    return true;
                std::lock_guard lock(m_queueMutex);
                return !m_sent.empty();
            },
            left);
    }
}

void Application::SetTimer(HWND window, uintptr_t id, uint32_t intervalMs)
{
    const uint32_t due = GetTickCount() + intervalMs;
    for (TimerEntry& t : m_timers)
        if (t.Window == window && t.Id == id) {
            t.Interval = intervalMs;
            t.Due = due;
            return;
        }
    m_timers.push_back({window, id, intervalMs, due});
}

void Application::KillTimer(HWND window, uintptr_t id)
{
    m_timers.erase(std::remove_if(m_timers.begin(), m_timers.end(),
                                  [&](const TimerEntry& t) { return t.Window == window && t.Id == id; }),
                   m_timers.end());
}

void Application::HandleException(const std::exception& error)
{
    MessageBox(error.what(), m_title);
}

void Application::HandleException(const std::exception_ptr& error)
{
    if (!error)
        return;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        HandleException(e);
    } catch (...) {
        // Not a standard exception: it carries no text of its own.
        MessageBox("Unknown error", m_title);
    }
}

void Application::MessageBox(const std::string& text, const std::string& caption)
{
    m_backend.MessageBox(caption, text);
}

HWND Application::RegisterWindow(MessageTarget* target)
{
    std::lock_guard lock(m_queueMutex);
    const HWND handle = m_nextHandle++;
    m_windows[handle] = target;
    return handle;
}

void Application::UnregisterWindow(HWND window)
{
    {
        std::lock_guard lock(m_queueMutex);
        m_windows.erase(window);
        m_needsPaint.erase(window);
        std::erase_if(m_posted, [window](const Message& m) { return m.Hwnd == window; });
    }
    std::erase_if(m_timers, [window](const TimerEntry& t) { return t.Window == window; });
    if (m_focus == window)
        m_focus = 0;
}

MessageTarget* Application::FindTarget(HWND window) const
{
    std::lock_guard lock(m_queueMutex);
    auto it = m_windows.find(window);
    return it == m_windows.end() ? nullptr : it->second;
}

void Application::SetNeedsPaint(HWND window, bool needsPaint)
{
    {
        std::lock_guard lock(m_queueMutex);
        if (needsPaint)
            m_needsPaint.insert(window);
        else
            m_needsPaint.erase(window);
    }
    if (needsPaint)
        GetClock().Notify();
}

void Application::TopLevelShown(Form* form)
{
    std::erase(m_zOrder, form);
    if (form->Style == FormStyle::fsStayOnTop) {
        m_zOrder.push_back(form);
        return;
    }
    auto firstOnTop = std::find_if(m_zOrder.begin(), m_zOrder.end(),
                                   [](Form* f) { return f->Style == FormStyle::fsStayOnTop; });
    m_zOrder.insert(firstOnTop, form);
}

void Application::TopLevelHidden(Form* form) { std::erase(m_zOrder, form); }

Form* Application::ActiveForm() const { return m_zOrder.empty() ? nullptr : m_zOrder.back(); }

WinControl* Application::WindowFromPoint(Point screen) const
{
    for (auto it = m_zOrder.rbegin(); it != m_zOrder.rend(); ++it) {
        WinControl* window = *it;
        if (!window->Showing() || !window->ClientRect().Contains(window->ScreenToClient(screen)))
            continue;
        // Descend to the topmost visible windowed child under the point.
        for (bool found = true; found;) {
            found = false;
            const auto& children = window->Controls();
            for (auto c = children.rbegin(); c != children.rend(); ++c) {
                auto* child = dynamic_cast<WinControl*>(*c);
                if (child && child->Visible() && child->ClientRect().Contains(child->ScreenToClient(screen))) {
                    window = child;
                    found = true;
                    break;
                }
            }
        }
        return window;
    }
    return nullptr;
}

void Application::QueueInput(uint32_t msg, WPARAM wParam, Point screen, WinControl* target)
{
    if (!target)
        target = WindowFromPoint(screen);
    // A move over none of our windows is queued all the same, with no
    // window, so that the control the pointer left hears of it in order.
    if (!target && msg != WM_MOUSEMOVE)
        return;
    const Point client = target ? target->ScreenToClient(screen) : screen;
    Message message =
        MakeMessage(target ? target->Handle() : 0, msg, wParam, MakeLParam(client.X, client.Y), GetTickCount());
    message.Pt = screen;
    {
        std::lock_guard lock(m_queueMutex);
        m_posted.push_back(message);
    }
    GetClock().Notify();
}

Control* Application::ControlFromPoint(Point screen) const
{
    WinControl* window = WindowFromPoint(screen);
    if (!window)
        return nullptr;
    // Windowless children lie below the windowed ones, the last one on top.
    const Point p = window->ScreenToClient(screen);
    const auto& children = window->Controls();
    for (auto c = children.rbegin(); c != children.rend(); ++c)
        if (!dynamic_cast<WinControl*>(*c) && (*c)->Visible() && (*c)->BoundsRect().Contains(p))
            return *c;
    return window;
}

void Application::TrackPointer(const Message& move)
{
    // A posted move names its window and client position; the position
    // counts as the window is now.
    Point screen = move.Pt;
    if (auto* window = dynamic_cast<WinControl*>(FindTarget(move.Hwnd)))
        screen = window->ClientToScreen({LoWord(move.LParam), HiWord(move.LParam)});
    m_pointer = screen;
    UpdateMouseControl();
}

void Application::UpdateMouseControl()
{
    Control* under = m_pointer ? ControlFromPoint(*m_pointer) : nullptr;
    if (under == m_mouseControl)
        return;
    Control* left = m_mouseControl;
    m_mouseControl = under;
    if (left)
        Notify(left, CM_MOUSELEAVE);
    // The leave handler may have moved things: enter only what is current.
    if (under && under == m_mouseControl)
        Notify(under, CM_MOUSEENTER);
}

void Application::Notify(Control* control, uint32_t msg)
{
    try {
        control->Perform(msg);
    } catch (const std::exception& error) {
        HandleException(error);
    }
}

namespace {
bool Within(const Control* control, const Control* ancestor)
{
    for (const Control* c = control; c; c = c->Parent())
        if (c == ancestor)
            return true;
    return false;
}
} // namespace

void Application::ControlHidden(Control* control)
{
    if (m_mouseControl && Within(m_mouseControl, control))
        UpdateMouseControl();
}

void Application::WindowDestroying(WinControl* window)
{
    if (!m_mouseControl || !Within(m_mouseControl, window))
        return;
    Control* left = m_mouseControl;
    m_mouseControl = nullptr;
    Notify(left, CM_MOUSELEAVE);
}

void Application::ControlDestroyed(Control* control)
{
    if (m_mouseControl == control)
        m_mouseControl = nullptr;
}

void Application::MouseMoved(Point screen) { QueueInput(WM_MOUSEMOVE, 0, screen); }

void Application::MouseButton(uint32_t downOrUpMessage, Point screen) { QueueInput(downOrUpMessage, 0, screen); }

void Application::MouseOn(HWND window, uint32_t message, Point screen)
{
    QueueInput(message, 0, screen, dynamic_cast<WinControl*>(FindTarget(window)));
}

void Application::Key(uint32_t downOrUpMessage, uint16_t virtualKey)
{
    HWND target = m_focus;
    if (!target || !FindTarget(target)) {
        Form* active = ActiveForm();
        if (!active)
            return;
        target = active->Handle();
    }
    PostMessage(target, downOrUpMessage, virtualKey, 1);
}

void Application::SystemCommand(WPARAM command)
{
    if (Form* active = ActiveForm())
        PostMessage(active->Handle(), WM_SYSCOMMAND, command, 0);
}

void Application::TerminateRequested() { Terminate(); }

void Application::HostWindowDestroyed(HWND host)
{
    std::set<HWND> hosted;
    for (const auto& form : m_forms)
        if (form->ParentWindow() == host)
            hosted.insert(form->Handle());
    for (Form* form : m_zOrder)
        if (form->ParentWindow() == host)
            hosted.insert(form->Handle());
    for (HWND window : hosted)
        PostMessage(window, CM_HOSTDESTROYED);
}

} // namespace saver
