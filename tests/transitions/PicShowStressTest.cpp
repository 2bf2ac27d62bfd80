// The transition control under random sequences of operations: Execute,
// Stop, Manual switches, style changes (the styles that need 32-bit bitmaps
// among them), Step and Progress writes, resizing and destruction, on the
// animation thread and on the message-pumping loop, with operations also
// arriving from a timer while a loop pumps. Nothing here looks at pixels;
// every sequence checks the control's bookkeeping, and a watchdog fails the
// run on a dead-lock. Run under ThreadSanitizer for races and under
// AddressSanitizer for leaks.
//
//   SAVER_STRESS_SEQUENCES=N   sequences to run (default: 2000 under
//                              ThreadSanitizer, 300 otherwise)
//   SAVER_STRESS_SEED=S        run only the sequence with seed S
//   SAVER_STRESS_TRACE=1       print every operation with the control's state

#include "transitions/PicShow.h"

#include "gui/Form.h"
#include "gui/Timer.h"
#include "EffectTestSupport.h"
#include "HeadlessTestSupport.h"
#include "SolidGraphic.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>

using namespace saver;
using saver::test::HeadlessApp;
using saver::test::Solid;

namespace {

#if defined(__SANITIZE_THREAD__)
constexpr uint64_t kDefaultSequences = 2000;
#else
constexpr uint64_t kDefaultSequences = 300;
#endif

uint64_t EnvNumber(const char* name, uint64_t fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? std::strtoull(value, nullptr, 10) : fallback;
}

// Aborts the process when no operation completes for `limit` of real time:
// a dead-lock never lets the virtual clock move either.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit)
        : m_thread([this, limit] {
              std::unique_lock lock(m_mutex);
              uint64_t seen = m_beats;
              while (!m_stop) {
                  if (m_wake.wait_for(lock, limit, [&] { return m_stop || m_beats != seen; })) {
                      seen = m_beats;
                      continue;
                  }
                  std::fprintf(stderr, "watchdog: no progress for %llds in sequence %llu after '%s'\n",
                               static_cast<long long>(limit.count()), static_cast<unsigned long long>(m_sequence),
                               m_last);
                  std::abort();
              }
          })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    void Beat(uint64_t sequence, const char* what)
    {
        {
            std::lock_guard lock(m_mutex);
            ++m_beats;
            m_sequence = sequence;
            m_last = what;
        }
        m_wake.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    uint64_t m_beats = 0;
    uint64_t m_sequence = 0;
    const char* m_last = "start";
    bool m_stop = false;
    std::thread m_thread;
};

// What one control saw. The per-frame events run on the animation thread.
struct Tally {
    int Starts = 0, Stops = 0, Completes = 0;
    std::atomic<int> BadFormats{0};
    // The application wrote Progress during the transition under way: it
    // may then end anywhere.
    bool ProgressWritten = false;
};

class Sequence {
public:
    Sequence(HeadlessApp& h, Form& window, Watchdog& watchdog, uint64_t seed)
        : m_h(h), m_window(window), m_watchdog(watchdog), m_seed(seed), m_random(uint32_t(seed))
    {
        m_timer.SetEnabled(false);
        m_timer.OnTimer = [this](Component*) { TimerOperation(); };
    }

    ~Sequence()
    {
        m_timer.SetEnabled(false);
        m_show.reset();
    }

    void Run()
    {
        NewControl();
        m_timer.SetInterval(Pick(5, 60));
        m_timer.SetEnabled(Pick(0, 3) != 0);
        const int operations = Pick(10, 40);
        for (int i = 0; i < operations; ++i) {
            MainOperation();
            Trace("main");
        }
        m_timer.SetEnabled(false);
        Settle();
    }

    const std::vector<std::string>& Errors() const { return m_errors; }

private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

    void Fail(const std::string& what) { m_errors.push_back(what); }

    void NewControl()
    {
        if (m_show)
            DestroyControl();
        m_show = std::make_unique<TPicShow>();
        m_tally = std::make_unique<Tally>();
        m_show->SetParent(&m_window);
        m_show->SetColor(clBlack);
        m_show->SetAutoSize(Pick(0, 1) != 0);
        m_show->SetCenter(Pick(0, 1) != 0);
        m_show->SetStyle(TShowStyle(Pick(1, 117)));
        Tally* tally = m_tally.get();
        TPicShow* show = m_show.get();
        m_show->OnStart = [tally](Component*, Bitmap&, Bitmap&) {
            ++tally->Starts;
            tally->ProgressWritten = false;
        };
        m_show->OnStop = [tally](Component*) { ++tally->Stops; };
        m_show->OnComplete = [this, tally, show](Component*) {
            ++tally->Completes;
            if (!tally->ProgressWritten && show->Progress() != (show->Reverse() ? 0 : 100))
                Fail("completed at progress " + std::to_string(show->Progress()));
        };
        // The 32-bit styles find both bitmaps switched before the style is
        // seen; nothing switches them back within a transition.
        m_show->OnAfterNewFrame = [tally, show](Component*, Bitmap& picture, Bitmap& screen) {
            const TShowStyle style = show->Style();
            if (StyleNeeds32Bit(style) &&
                (picture.GetPixelFormat() != PixelFormat::pf32bit || screen.GetPixelFormat() != PixelFormat::pf32bit))
                ++tally->BadFormats;
        };
    }

    // Destroying a busy control ends its transition without events.
    void DestroyControl()
    {
        const int stopsBefore = m_tally->Stops, completesBefore = m_tally->Completes;
        const bool busy = m_show->Busy();
        CheckBalanced(busy ? 1 : 0);
        m_show.reset();
        if (m_tally->Stops != stopsBefore || m_tally->Completes != completesBefore)
            Fail("destruction fired events");
    }

    // Every transition started has ended with one OnStop, except one still
    // under way.
    void CheckBalanced(int underWay)
    {
        if (m_tally->Starts != m_tally->Stops + underWay)
            Fail("starts " + std::to_string(m_tally->Starts) + ", stops " + std::to_string(m_tally->Stops) +
                 ", under way " + std::to_string(underWay));
        if (m_tally->Completes > m_tally->Stops)
            Fail("more completions than stops");
        if (m_tally->BadFormats)
            Fail(std::to_string(m_tally->BadFormats) + " frames of a 32-bit style on other formats");
    }

    void LoadPicture()
    {
        Picture p;
        p.SetGraphic(Solid(Pick(1, 64), Pick(1, 48), RGB(uint8_t(Pick(0, 255)), 80, 160)));
        m_show->SetPicture(&p);
    }

    TShowStyle RandomStyle()
    {
        // Half the draws among the 32-bit styles.
        static const std::vector<TShowStyle> wide =
            test::StylesWhere([](const TShowStyleEntry& row) { return row.Needs32Bit; });
        return Pick(0, 1) ? wide[size_t(Pick(0, int(wide.size()) - 1))] : TShowStyle(Pick(0, kLastShowStyle));
    }

    // Operations that are safe at any moment, also from inside a pumping loop.
    void CommonOperation(int which)
    {
        switch (which) {
        case 0:
            m_last = "Stop";
            m_show->Stop();
            break;
        case 1: {
            m_last = "Manual";
            ++m_depth; // switching Manual off may run the pumping loop
            m_show->SetManual(!m_show->Manual());
            --m_depth;
            break;
        }
        case 2:
            m_last = "Style";
            m_show->SetStyle(RandomStyle());
            break;
        case 3:
            m_last = "Step";
            m_show->SetStep(uint16_t(Pick(0, 120)));
            break;
        case 4:
            m_last = "Progress";
            m_tally->ProgressWritten = true;
            m_show->SetProgress(uint32_t(Pick(0, 110)));
            break;
        case 5:
            m_last = "Resize";
            m_show->SetBounds(Pick(0, 20), Pick(0, 20), Pick(1, 120), Pick(1, 90));
            break;
        case 6:
            m_last = "Delay";
            m_show->SetDelay(uint16_t(Pick(0, 60)));
            break;
        default:
            m_last = "Execute";
            Execute();
            break;
        }
    }

    void Execute()
    {
        if (!m_show->Busy()) {
            m_show->SetThreaded(Pick(0, 2) != 0);
            m_show->SetReverse(Pick(0, 4) == 0);
            if (Pick(0, 2) == 0)
                LoadPicture();
        }
        if (!m_show->GetPicture().HasGraphic())
            LoadPicture();
        ++m_depth;
        m_show->Execute();
        --m_depth;
    }

    void Trace(const char* from)
    {
        m_watchdog.Beat(m_seed, m_last);
        static const bool trace = EnvNumber("SAVER_STRESS_TRACE", 0) != 0;
        if (trace && m_show)
            std::fprintf(stderr, "%llu %s %s: busy %d manual %d threaded %d progress %d style %d step %d\n",
                         static_cast<unsigned long long>(m_h.Backend->Now()), from, m_last, int(m_show->Busy()),
                         int(m_show->Manual()), int(m_show->Threaded()), int(m_show->Progress()),
                         int(m_show->Style()), int(m_show->Step()));
    }

    void TimerOperation()
    {
        m_timer.SetInterval(Pick(5, 60));
        // The control is destroyed only from outside its own loop.
        if (m_depth == 0 && Pick(0, 12) == 0) {
            m_last = "Destroy (timer)";
            NewControl();
            Trace("timer");
            return;
        }
        CommonOperation(Pick(0, 7));
        Trace("timer");
    }

    void MainOperation()
    {
        const int which = Pick(0, 11);
        if (which <= 7) {
            CommonOperation(which);
        } else if (which <= 9) {
            m_last = "Run";
            m_h.RunUntil(m_h.Backend->Now() + uint64_t(Pick(0, 400)));
        } else if (which == 10) {
            m_last = "Destroy";
            NewControl();
        } else {
            m_last = "Window";
            m_window.SetBounds(0, 0, Pick(50, 300), Pick(50, 200));
        }
    }

    // Ends the sequence: a manual transition needs Stop; any other ends by
    // itself within its frames.
    void Settle()
    {
        m_last = "Settle";
        m_show->SetManual(false);
        Trace("settle");
        const uint64_t limit = m_h.Backend->Now() + 20000;
        while (m_show->Busy() && m_h.Backend->Now() < limit) {
            m_h.RunUntil(m_h.Backend->Now() + 50);
            Trace("settle");
        }
        if (m_show->Busy())
            Fail("an animated transition did not end within 20 virtual seconds");
        m_show->Stop();
        m_h.App->ProcessMessages();
        if (m_show->Busy())
            Fail("busy after Stop");
        CheckBalanced(0);
    }

    HeadlessApp& m_h;
    Form& m_window;
    Watchdog& m_watchdog;
    uint64_t m_seed;
    std::mt19937 m_random;
    Timer m_timer;
    std::unique_ptr<TPicShow> m_show;
    std::unique_ptr<Tally> m_tally;
    int m_depth = 0;
    const char* m_last = "start";
    std::vector<std::string> m_errors;
};

} // namespace

// Sequences are split into shards, separate tests that ctest can run side by
// side and time out one by one.
constexpr uint64_t kShards = 20;

class PicShowStress : public testing::TestWithParam<uint64_t> {};

TEST_P(PicShowStress, RandomSequencesKeepTheControlConsistent)
{
    Watchdog watchdog(std::chrono::seconds(120));
    // A screen just larger than the window: every paint is composed onto it.
    HeadlessBackend::Options options;
    options.Screen = {320, 200};
    HeadlessApp h(options);
    Form window;
    window.SetBounds(0, 0, 200, 150);
    window.Show();
    h.App->ProcessMessages();

    const uint64_t only = EnvNumber("SAVER_STRESS_SEED", 0);
    if (only && GetParam() != 0)
        GTEST_SKIP() << "one seed runs in shard 0";
    const uint64_t count = only ? 1 : EnvNumber("SAVER_STRESS_SEQUENCES", kDefaultSequences);
    for (uint64_t i = GetParam(); i < count; i += kShards) {
        const uint64_t seed = only ? only : 1 + i;
        Sequence sequence(h, window, watchdog, seed);
        sequence.Run();
        EXPECT_TRUE(sequence.Errors().empty()) << "SAVER_STRESS_SEED=" << seed << ": " << sequence.Errors().front();
        if (HasFailure())
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(Shards, PicShowStress, testing::Range(uint64_t{0}, kShards));

// Found by the sequences above (seed 205): the application wrote Progress 100
// while the animation thread slept, so the thread's last step changed
// nothing and painted nothing, and the frame hand-shake stayed closed. The
// next threaded transition then waited for a paint that never came.
TEST(PicShowHandshake, AProgressWriteThatEndsATransitionLeavesTheNextOneFree)
{
    HeadlessApp h;
    Form window;
    window.SetBounds(0, 0, 200, 150);
    TPicShow show;
    show.SetParent(&window);
    window.Show();
    h.App->ProcessMessages();
    Picture picture;
    picture.SetGraphic(Solid(40, 30, clWhite));
    show.SetPicture(&picture);
    int completes = 0;
    show.OnComplete = [&](Component*) { ++completes; };

    show.Execute();
    // Frames come at 0, 40, 80, ...: at 220 the thread sleeps until 240.
    h.RunUntil(220);
    ASSERT_TRUE(show.Busy());
    show.SetProgress(100);
    h.RunUntil(1000);
    ASSERT_FALSE(show.Busy());
    ASSERT_EQ(completes, 1);

    show.Execute();
    h.RunUntil(4000);
    EXPECT_FALSE(show.Busy()) << "the second transition is stuck at progress " << int(show.Progress());
    EXPECT_EQ(completes, 2);
}

// Found by the sequences above under ThreadSanitizer: the animation thread
// invalidated its frame, reading the control's bounds, while the GUI thread
// resized the control; and the thread called virtual operations while the
// control's destructor was already changing its dynamic type. Resizing and
// destroying during threaded transitions must stay race-free.
TEST(PicShowThreads, ResizingAndDestroyingDuringThreadedTransitions)
{
    HeadlessApp h;
    Form window;
    window.SetBounds(0, 0, 200, 150);
    window.Show();
    h.App->ProcessMessages();
    Picture picture;
    picture.SetGraphic(Solid(60, 40, clWhite));
    for (int round = 0; round < 10; ++round) {
        auto show = std::make_unique<TPicShow>();
        show->SetParent(&window);
        int events = 0;
        show->OnStop = [&](Component*) { ++events; };
        show->SetPicture(&picture);
        show->Execute();
        // Every other round the control goes while its thread composes the
        // first frame.
        for (int i = 0; i < 10 && round % 2 == 0; ++i) {
            show->SetBounds(i, i, 100 + 7 * i, 80 - 3 * i);
            h.RunUntil(h.Backend->Now() + 15);
        }
        ASSERT_TRUE(show->Busy()) << "still under way when destroyed";
        show.reset();
        EXPECT_EQ(events, 0) << "destruction fires no events";
    }
}
