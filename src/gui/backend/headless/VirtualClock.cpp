#include "gui/backend/headless/VirtualClock.h"

#include <limits>

namespace saver {
namespace {

constexpr uint64_t kNever = std::numeric_limits<uint64_t>::max();
// The clock a thread participates in (one per thread at most).
thread_local VirtualClock* t_clock = nullptr;

} // namespace

uint32_t VirtualClock::GetTickCount()
{
    std::lock_guard lock(m_mutex);
    return uint32_t(m_now);
}

uint64_t VirtualClock::Now()
{
    std::lock_guard lock(m_mutex);
    return m_now;
}

void VirtualClock::AttachThread()
{
    std::lock_guard lock(m_mutex);
    ++m_participants;
}

void VirtualClock::EnterThread() { t_clock = this; }

void VirtualClock::DetachThread()
{
    std::lock_guard lock(m_mutex);
    if (t_clock == this)
        t_clock = nullptr;
    --m_participants;
    // The remaining participants may all be waiting now.
    m_changed.notify_all();
}

void VirtualClock::Notify()
{
    std::lock_guard lock(m_mutex);
    m_changed.notify_all();
}

bool VirtualClock::AdvanceIfAllWaiting()
{
    if (int(m_waiters.size()) < m_participants)
        return false;
    uint64_t earliest = kNever;
    for (const Waiter& w : m_waiters) {
        // A waiter whose condition already holds will run as soon as it wakes.
        if ((*w.Ready)())
            return false;
        earliest = std::min(earliest, w.Deadline);
    }
    if (earliest == kNever || earliest <= m_now)
        return false;
    m_now = earliest;
    m_changed.notify_all();
    return true;
}

bool VirtualClock::WaitFor(const std::function<bool()>& ready, uint32_t timeoutMs)
{
    std::unique_lock lock(m_mutex);
    const uint64_t deadline = timeoutMs == INFINITE ? kNever : m_now + timeoutMs;
    if (t_clock != this) {
        // A thread outside the run (a test's own thread) never moves time.
        for (;;) {
            if (ready())
                return true;
            if (m_now >= deadline)
                return false;
            m_changed.wait(lock);
        }
    }
    auto self = m_waiters.insert(m_waiters.end(), Waiter{&ready, deadline});
    bool result = false;
    for (;;) {
        if (ready()) {
            result = true;
            break;
        }
        if (m_now >= deadline)
            break;
        if (AdvanceIfAllWaiting())
            continue;
        m_changed.wait(lock);
    }
    m_waiters.erase(self);
    return result;
}

} // namespace saver
