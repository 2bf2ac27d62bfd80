#pragma once
// The application clock. Every timer, sleep and timed wait of every thread
// goes through it, so the headless backend can run time virtually: its clock
// only moves when all participating threads are waiting on it, and then jumps
// to the earliest moment one of them wants to wake up.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace saver {

constexpr uint32_t INFINITE = 0xFFFFFFFF;

class Clock {
public:
    virtual ~Clock() = default;

    // Milliseconds since an arbitrary start, wrapping like GetTickCount.
    virtual uint32_t GetTickCount() = 0;

    // Waits until ready() is true (returns true) or timeoutMs elapsed
    // (returns false). ready() runs under the clock's lock: it must only read
    // state and must not take locks that are held while calling Notify().
    virtual bool WaitFor(const std::function<bool()>& ready, uint32_t timeoutMs) = 0;

    // Wakes waiters so they re-check their conditions; call after changing
    // anything a ready() condition reads.
    virtual void Notify() = 0;

    // Participating threads. The creating thread attaches a new thread before
    // starting it (so time cannot run ahead in between); the thread detaches
    // itself when its body ends.
    virtual void AttachThread() = 0;
    virtual void DetachThread() = 0;
    // Marks the calling thread as one that AttachThread has counted.
    virtual void EnterThread() = 0;

    void Sleep(uint32_t ms)
    {
        WaitFor([] { return false; }, ms);
    }
};

// A manual-reset event (CreateEvent with bManualReset) on a clock.
class Event {
public:
    Event(Clock& clock, bool initiallySignalled) : m_clock(clock), m_signalled(initiallySignalled) {}
    void Set()
    {
        m_signalled = true;
        m_clock.Notify();
    }
    void Reset() { m_signalled = false; }
    [[nodiscard]] bool IsSet() const { return m_signalled; }
    // True when signalled, false on time-out.
    bool Wait(uint32_t timeoutMs = INFINITE)
    {
        return m_clock.WaitFor([this] { return m_signalled.load(); }, timeoutMs);
    }

private:
    Clock& m_clock;
    std::atomic<bool> m_signalled;
};

// Real time from the system's monotonic clock.
class SystemClock final : public Clock {
public:
    SystemClock();
    uint32_t GetTickCount() override;
    bool WaitFor(const std::function<bool()>& ready, uint32_t timeoutMs) override;
    void Notify() override;
    void AttachThread() override {}
    void DetachThread() override {}
    void EnterThread() override {}

private:
    struct State;
    std::shared_ptr<State> m_state;
};

} // namespace saver
