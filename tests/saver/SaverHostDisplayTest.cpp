// The saver executable as an XScreenSaver program on a real X display: it
// draws its slideshow into the window it is given (or the root window) and
// ends with exit status 0 when the host sends a signal or destroys the
// window.

#include "SaverTestSupport.h"
#include "platform/ForeignWindow.h"
#include "platform/TestDisplay.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <optional>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;
// The suppressions of the platform tests (SanitizerSuppressions.cpp).
extern "C" const char* __tsan_default_suppressions();

using namespace saver;
using namespace saver::test;

namespace {

constexpr TColor kPicture = clRed;

bool IsPicture(TColor c) { return GetRValue(c) >= 224 && GetGValue(c) <= 32 && GetBValue(c) <= 32; }

// Polls `done` until it holds or `seconds` have passed; the generous bound
// only keeps a broken run from hanging the suite.
bool WaitFor(const std::function<bool()>& done, int seconds = 30)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// One run of a screensaver file in a child process.
class SaverProcess {
public:
    SaverProcess(const std::string& saver, const std::vector<std::string>& args, const std::string& hostVariable,
                 const std::filesystem::path& temp)
        : m_logPath(temp / "saver.log")
    {
        // Everything the child needs is prepared before the fork.
        const auto replaced = [](const std::string& entry) {
            for (const char* name : {"XSCREENSAVER_WINDOW=", "XDG_RUNTIME_DIR=", "TMPDIR=", "SAVER_BACKEND=",
                                     "SDL_AUDIODRIVER=", "ASAN_OPTIONS=", "TSAN_OPTIONS="})
                if (entry.rfind(name, 0) == 0)
                    return true;
            return false;
        };
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            if (!replaced(*e))
                env.push_back(*e);
        env.push_back("SAVER_BACKEND=sdl");
        env.push_back("SDL_AUDIODRIVER=dummy");
        env.push_back("TMPDIR=" + temp.string());
#if defined(__SANITIZE_ADDRESS__)
        // SDL unloads the libraries it loaded (GL, D-Bus) at exit, and what
        // they still hold then looks leaked from an unknown module. The
        // saver's own leaks are checked in-process by the other tests.
        env.push_back("ASAN_OPTIONS=detect_leaks=0:abort_on_error=1");
#endif
#if defined(__SANITIZE_THREAD__)
        // The races this program's own sanitizer ignores inside the system
        // libraries SDL brings in (Mesa's GL threads) are ignored in the
        // saver too.
        const std::filesystem::path suppressions = temp / "tsan.supp";
        std::ofstream(suppressions) << __tsan_default_suppressions();
        env.push_back("TSAN_OPTIONS=halt_on_error=1:suppressions=" + suppressions.string());
#endif
        if (!hostVariable.empty())
            env.push_back("XSCREENSAVER_WINDOW=" + hostVariable);
        std::vector<std::string> argv{saver};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> envp, argp;
        for (std::string& s : env)
            envp.push_back(s.data());
        envp.push_back(nullptr);
        for (std::string& s : argv)
            argp.push_back(s.data());
        argp.push_back(nullptr);
        const int log = open(m_logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

        m_pid = fork();
        if (m_pid == 0) {
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            // A host's signals arrive with their default meaning.
            signal(SIGINT, SIG_DFL);
            signal(SIGTERM, SIG_DFL);
            execve(argp[0], argp.data(), envp.data());
            _exit(127);
        }
        close(log);
    }
    ~SaverProcess()
    {
        if (m_pid > 0 && !m_status) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    SaverProcess(const SaverProcess&) = delete;
    SaverProcess& operator=(const SaverProcess&) = delete;

    [[nodiscard]] bool Running()
    {
        if (m_status)
            return false;
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid)
            m_status = status;
        return !m_status;
    }
    void Signal(int number) { kill(m_pid, number); }
    // What the saver printed, for failure reports.
    [[nodiscard]] std::string Log() const
    {
        std::ifstream in(m_logPath);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // The exit status once it has ended by itself; -1 for a signal's death.
    [[nodiscard]] int ExitCode() const
    {
        return m_status && WIFEXITED(*m_status) ? WEXITSTATUS(*m_status) : -1;
    }

private:
    std::filesystem::path m_logPath;
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

class SaverOnDisplay : public testing::Test {
protected:
    void SetUp() override
    {
        const std::string why = EnsureTestDisplay();
        if (!why.empty())
            GTEST_SKIP() << "needs an X display: " << why;
    }

    // A screensaver file made from the real runtime with one red picture.
    std::string MakeSaver(SaverScenario& scenario, int32_t width, int32_t height)
    {
        PayloadDescription payload;
        payload.kind = PayloadKind::Picture;
        payload.items.push_back(JpegPicture(width, height, kPicture));
        payload.pictureInterval = 1;
        payload.effectTable = EnableStyles({1});
        payload.exitMode = 4;
        const auto saver = scenario.Dir / "Red.scr";
        WritePayloadFile(std::string(SAVER_BINARY_DIR) + "/saver", saver, payload);
        std::filesystem::permissions(saver, std::filesystem::perms::owner_exec, std::filesystem::perm_options::add);
        return saver.string();
    }
};

} // namespace

TEST_F(SaverOnDisplay, DrawsIntoTheWindowTheVariableNamesAndEndsOnTerm)
{
    SaverScenario scenario("display-variable");
    ForeignWindow host(20, 20, 160, 120);
    ASSERT_NE(host.Handle(), 0u);
    SaverProcess saver(MakeSaver(scenario, 160, 120), {"-root"}, std::to_string(host.Handle()), scenario.Temp);
    EXPECT_TRUE(WaitFor([&] { return IsPicture(host.PixelAt(80, 60)) && IsPicture(host.PixelAt(2, 2)); }))
        << "the host window shows " << std::hex << host.PixelAt(80, 60) << "\n" << saver.Log();
    ASSERT_TRUE(saver.Running());
    saver.Signal(SIGTERM);
    EXPECT_TRUE(WaitFor([&] { return !saver.Running(); }));
    EXPECT_EQ(saver.ExitCode(), 0) << saver.Log();
    EXPECT_NE(host.PixelAt(80, 60), clNone) << "the host's window is the host's to destroy";
}

TEST_F(SaverOnDisplay, DrawsOnTheRootWindowAndEndsOnInt)
{
    SaverScenario scenario("display-root");
    SaverProcess saver(MakeSaver(scenario, 120, 90), {"--root"}, "", scenario.Temp);
    // Xvfb's screen is 640 by 480: the picture stands in its middle.
    EXPECT_TRUE(WaitFor([&] { return IsPicture(ForeignWindow::RootPixelAt(320, 240)); }))
        << "the root window shows " << std::hex << ForeignWindow::RootPixelAt(320, 240) << "\n" << saver.Log();
    ASSERT_TRUE(saver.Running());
    saver.Signal(SIGINT);
    EXPECT_TRUE(WaitFor([&] { return !saver.Running(); }));
    EXPECT_EQ(saver.ExitCode(), 0) << saver.Log();
}

TEST_F(SaverOnDisplay, EndsWhenTheHostDestroysItsWindow)
{
    SaverScenario scenario("display-window-id");
    ForeignWindow host(30, 30, 100, 80);
    ASSERT_NE(host.Handle(), 0u);
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", static_cast<unsigned long>(host.Handle()));
    SaverProcess saver(MakeSaver(scenario, 100, 80), {"--window-id", id}, "", scenario.Temp);
    EXPECT_TRUE(WaitFor([&] { return IsPicture(host.PixelAt(50, 40)); })) << saver.Log();
    host.Destroy();
    EXPECT_TRUE(WaitFor([&] { return !saver.Running(); }));
    EXPECT_EQ(saver.ExitCode(), 0) << saver.Log();
}
