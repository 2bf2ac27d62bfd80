#include "gui/Thread.h"
#include "HeadlessTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

using namespace saver;
using saver::test::HeadlessApp;

namespace {

class SleepingThread final : public Thread {
public:
    SleepingThread(Clock& clock, uint32_t ms, std::vector<uint32_t>& wakes)
        : m_clock(clock), m_ms(ms), m_wakes(wakes)
    {
    }

protected:
    void Execute() override
    {
        for (int i = 0; i < 3; ++i) {
            m_clock.Sleep(m_ms);
            m_wakes.push_back(m_clock.GetTickCount());
        }
    }

private:
    Clock& m_clock;
    uint32_t m_ms;
    std::vector<uint32_t>& m_wakes;
};

} // namespace

TEST(VirtualClock, JumpsToEachSleepEndWhenEveryThreadWaits)
{
    HeadlessApp h;
    std::vector<uint32_t> wakes;
    SleepingThread thread(h.App->GetClock(), 40, wakes);
    thread.Resume();
    thread.WaitFor();
    EXPECT_EQ(wakes, (std::vector<uint32_t>{40, 80, 120}));
    EXPECT_EQ(h.Backend->Now(), 120u);
}

TEST(VirtualClock, StandsStillWhileAnotherThreadRuns)
{
    HeadlessApp h;
    Clock& clock = h.App->GetClock();
    // While the worker computes, the GUI thread's 1000 ms wait cannot make
    // time pass: the worker sees the same tick before and after its work.
    class Worker final : public Thread {
    public:
        Worker(Clock& c) : m_c(c) {}
        std::atomic<uint32_t> Before{99}, After{99};

    protected:
        void Execute() override
        {
            Before = m_c.GetTickCount();
            volatile uint64_t sink = 0;
            for (uint64_t i = 0; i < 20'000'000; ++i)
                sink = sink + i;
            After = m_c.GetTickCount();
        }

    private:
        Clock& m_c;
    } worker(clock);
    worker.Resume();
    EXPECT_FALSE(clock.WaitFor([] { return false; }, 1000));
    worker.WaitFor();
    EXPECT_EQ(worker.Before.load(), 0u);
    EXPECT_EQ(worker.After.load(), 0u);
    EXPECT_EQ(clock.GetTickCount(), 1000u);
}

TEST(ManualResetEvent, StaysSignalledUntilReset)
{
    HeadlessApp h;
    Event event(h.App->GetClock(), true);
    EXPECT_TRUE(event.Wait(0));
    EXPECT_TRUE(event.Wait(0));
    event.Reset();
    EXPECT_FALSE(event.Wait(250));
    EXPECT_EQ(h.Backend->Now(), 250u);
}

TEST(ManualResetEvent, ReleasesAThreadBlockedWithoutTimeOut)
{
    HeadlessApp h;
    Clock& clock = h.App->GetClock();
    Event event(clock, false);
    std::atomic<bool> woke{false};
    class Waiter final : public Thread {
    public:
        Waiter(Event& e, std::atomic<bool>& w) : m_e(e), m_w(w) {}

    protected:
        void Execute() override
        {
            m_e.Wait();
            m_w = true;
        }

    private:
        Event& m_e;
        std::atomic<bool>& m_w;
    } waiter(event, woke);
    waiter.Resume();
    clock.Sleep(500); // the waiter stays blocked across the jump
    EXPECT_FALSE(woke.load());
    event.Set();
    waiter.WaitFor();
    EXPECT_TRUE(woke.load());
}
