#include "gui/Thread.h"

#include "gui/Application.h"

namespace saver {

Thread::Thread() : m_clock(Application::Current().GetClock()) {}

Thread::~Thread()
{
    if (m_started && !m_finished) {
        Terminate();
        WaitFor();
    }
    if (m_thread.joinable())
        m_thread.join();
}

void Thread::Resume()
{
    if (m_started)
        return;
    m_started = true;
    // Counted before it runs, so virtual time cannot pass it by.
    m_clock.AttachThread();
    m_thread = std::thread([this] { Body(); });
}

void Thread::Body()
{
    m_clock.EnterThread();
    try {
        SetCurrentThreadPriority(Priority);
        Execute();
    } catch (...) {
        // A failure ends the thread's body; the owner learns of the end as
        // usual and finds the failure in FatalException.
        m_fatalException = std::current_exception();
    }
    m_finished = true;
    m_clock.DetachThread();
    // A GUI thread waiting for the end (WaitFor) sleeps on the clock.
    m_clock.Notify();
}

void Thread::WaitFor()
{
    if (!m_started)
        return;
    if (Application::Exists() && Application::Current().IsGuiThread())
        Application::Current().WaitServingSentMessages([this] { return m_finished.load(); }, INFINITE);
    else
        m_clock.WaitFor([this] { return m_finished.load(); }, INFINITE);
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace saver
