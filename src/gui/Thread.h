#pragma once
// A thread class on the application clock: created suspended and started by
// Resume once the derived object is complete, asked to terminate cooperatively, waited for on the GUI thread without
// blocking messages that the thread sends to it.

#include "gui/Clock.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <thread>

namespace saver {

enum class ThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Gives the calling thread a priority. Windows: the thread priority level of
// the same name (SetThreadPriority). Elsewhere the thread's nice value:
// tpIdle is the weakest (19), tpLowest, tpLower, tpHigher and tpHighest move
// the inherited value by +10, +5, -5 and -10 within -20..19, tpTimeCritical
// is the strongest (-20), and tpNormal keeps the inherited value. Where the
// system refuses (raising without the right to), the thread keeps the
// priority it has.
void SetCurrentThreadPriority(ThreadPriority priority);
// What the system reports as the calling thread's priority: the Windows
// priority level (THREAD_PRIORITY_*) or the nice value.
[[nodiscard]] int32_t CurrentThreadPriorityValue();

class Thread {
public:
    Thread();
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Starts the thread (once).
    void Resume();
    void Terminate() { m_terminated = true; }
    [[nodiscard]] bool Terminated() const { return m_terminated; }
    [[nodiscard]] bool Finished() const { return m_finished; }
    // Waits for the body to end; on the GUI thread, messages sent by other
    // threads are handled meanwhile.
    void WaitFor();
    // The failure that ended the body, if any; read it once the thread has
    // finished (after WaitFor). The owner reports it on the GUI thread.
    [[nodiscard]] std::exception_ptr FatalException() const { return m_fatalException; }

    // Given to the thread when its body begins.
    ThreadPriority Priority = ThreadPriority::tpNormal;

protected:
    virtual void Execute() = 0;

private:
    void Body();

    Clock& m_clock;
    std::thread m_thread;
    std::atomic<bool> m_terminated{false};
    std::atomic<bool> m_finished{false};
    bool m_started = false;
    std::exception_ptr m_fatalException; // written by the body before m_finished
};

} // namespace saver
