#include "gui/Timer.h"

namespace saver {

Timer::Timer()
{
    m_window = Application::Current().RegisterWindow(this);
    UpdateTimer();
}

Timer::~Timer()
{
    Application& app = Application::Current();
    app.KillTimer(m_window, 1);
    app.UnregisterWindow(m_window);
}

void Timer::SetEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    UpdateTimer();
}

void Timer::SetInterval(uint32_t interval)
{
    if (interval == m_interval)
        return;
    m_interval = interval;
    UpdateTimer();
}

void Timer::UpdateTimer()
{
    Application& app = Application::Current();
    app.KillTimer(m_window, 1);
    // Like the platform's timer component: no timer without a handler.
    if (m_enabled && m_interval != 0)
        app.SetTimer(m_window, 1, m_interval);
}

void Timer::WndProc(Message& message)
{
    if (message.Msg == WM_TIMER && m_enabled && OnTimer)
        OnTimer(this);
}

} // namespace saver
