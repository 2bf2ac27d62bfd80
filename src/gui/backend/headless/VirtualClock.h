#pragma once
// Virtual time for the headless backend. The clock stands still while any
// participating thread is running; when every participant waits on the clock
// and none of their conditions holds, it jumps to the earliest deadline among
// them. Runs are deterministic and a minute of saver time takes as long as
// its computation.

#include "gui/Clock.h"

#include <condition_variable>
#include <cstdint>
#include <list>
#include <mutex>

namespace saver {

class VirtualClock final : public Clock {
public:
    uint32_t GetTickCount() override;
    bool WaitFor(const std::function<bool()>& ready, uint32_t timeoutMs) override;
    void Notify() override;
    void AttachThread() override;
    void DetachThread() override;
    void EnterThread() override;

    // Total virtual milliseconds since the start (no wrap).
    uint64_t Now();

private:
    struct Waiter {
        const std::function<bool()>* Ready;
        uint64_t Deadline;
    };
    // Called with the lock held: moves time when nobody can make progress.
    bool AdvanceIfAllWaiting();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    uint64_t m_now = 0;
    int m_participants = 0;
    std::list<Waiter> m_waiters;
};

} // namespace saver
