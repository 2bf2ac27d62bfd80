// A thread on the real clock that ends without posting anything: the GUI
// thread waiting for it must wake. (The saver's shutdown waits so for the
// transition thread when a host's signal ends it mid-transition.)

#include "TestDisplay.h"
#include "gui/Application.h"
#include "gui/Thread.h"
#include "gui/backend/sdl/SdlBackend.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <thread>

using namespace saver;

namespace {

class ShortThread final : public Thread {
protected:
    // Long enough for the GUI thread to be asleep in WaitFor when it ends.
    void Execute() override { std::this_thread::sleep_for(std::chrono::milliseconds(50)); }
};

} // namespace

TEST(ThreadEnd, WaitForOnTheGuiThreadWakesWhenTheBodyEnds)
{
    const std::string why = saver::test::EnsureTestDisplay();
    if (!why.empty())
        GTEST_SKIP() << "the real clock's backend needs an X display: " << why;
    std::ostringstream log;
    SdlBackend backend(log);
    Application app(backend);
    std::atomic<bool> returned{false};
    // A WaitFor that never returns cannot fail an assertion: end the program.
    std::thread watchdog([&] {
        for (int i = 0; i < 200 && !returned; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!returned) {
            std::cerr << "WaitFor did not return after the thread had ended" << std::endl;
            std::_Exit(1);
        }
    });
    ShortThread thread;
    thread.Resume();
    thread.WaitFor();
    returned = true;
    watchdog.join();
    EXPECT_TRUE(thread.Finished());
}
