#include "gui/Clock.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace saver {

struct SystemClock::State {
    std::mutex mutex;
    std::condition_variable changed;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

SystemClock::SystemClock() : m_state(std::make_shared<State>()) {}

uint32_t SystemClock::GetTickCount()
{
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now() - m_state->start).count());
}

bool SystemClock::WaitFor(const std::function<bool()>& ready, uint32_t timeoutMs)
{
    std::unique_lock lock(m_state->mutex);
    if (timeoutMs == INFINITE) {
        m_state->changed.wait(lock, ready);
        return true;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    return m_state->changed.wait_until(lock, deadline, ready);
}

void SystemClock::Notify()
{
    std::lock_guard lock(m_state->mutex);
    m_state->changed.notify_all();
}

} // namespace saver
