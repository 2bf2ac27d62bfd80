// The saver run inside a screensaver host's window: the host arguments and
// XSCREENSAVER_WINDOW, and what host mode leaves to the host.

#include "SaverTestSupport.h"
#include "saver/SaverHead.h"

#include <gtest/gtest.h>


using namespace saver;
using namespace saver::test;

namespace {

struct HostCase {
    std::vector<std::string> Args;
    const char* Variable; // XSCREENSAVER_WINDOW, null when unset
    HostKind Kind;
    HWND Window;
};

void PrintTo(const HostCase& c, std::ostream* os)
{
    *os << "{";
    for (const std::string& arg : c.Args)
        *os << " \"" << arg << "\"";
    *os << " } XSCREENSAVER_WINDOW=" << (c.Variable ? c.Variable : "(unset)");
}

class HostArguments : public testing::TestWithParam<HostCase> {};

} // namespace

TEST_P(HostArguments, NameTheWindowToDrawInto)
{
    const HostCase& c = GetParam();
    EXPECT_EQ(ChooseRun(c.Args), RunKind::Saver) << "host arguments never turn into another run";
    const HostChoice choice = ChooseHost(c.Args, c.Variable);
    EXPECT_EQ(choice.Kind, c.Kind);
    EXPECT_EQ(choice.Window, c.Window);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, HostArguments,
    testing::Values(HostCase{{}, nullptr, HostKind::None, 0}, HostCase{{"/s"}, nullptr, HostKind::None, 0},
                    HostCase{{"--window-id", "1234"}, nullptr, HostKind::Window, 1234},
                    HostCase{{"-window-id", "0x2a"}, nullptr, HostKind::Window, 42},
                    HostCase{{"/s", "--window-id", "0X40001F"}, nullptr, HostKind::Window, 0x40001F},
                    HostCase{{"--window-id", "5", "-window-id", "6"}, nullptr, HostKind::Window, 6},
                    HostCase{{"--root"}, nullptr, HostKind::Root, 0}, HostCase{{"-root"}, nullptr, HostKind::Root, 0},
                    HostCase{{}, "0x600007", HostKind::Window, 0x600007},
                    HostCase{{}, "6291463", HostKind::Window, 6291463},
                    HostCase{{}, "", HostKind::None, 0},
                    // The host lists its programs with -root and names its own
                    // window in the variable: the variable wins.
                    HostCase{{"-root"}, "0x600007", HostKind::Window, 0x600007},
                    // An id given on the command line wins over both.
                    HostCase{{"--window-id", "77", "--root"}, "0x600007", HostKind::Window, 77},
                    HostCase{{"-window-id", "77"}, "not a number", HostKind::Window, 77}));

TEST(HostArguments, MissingOrMalformedIdsAreRefused)
{
    const std::vector<std::pair<std::vector<std::string>, const char*>> bad{
        {{"--window-id"}, nullptr},     {{"-window-id", "12ab"}, nullptr}, {{"--window-id", ""}, nullptr},
        {{"--window-id", "0"}, nullptr}, {{"-window-id", "0x"}, nullptr},  {{}, "0x12zz"},
        {{"--root"}, "window"},           {{}, "4294967296"}};
    for (const auto& [args, variable] : bad)
        EXPECT_THROW(ChooseHost(args, variable), Exception) << (args.empty() ? "" : args[0]) << " "
                                                            << (variable ? variable : "");
}

namespace {

struct HostRun {
    int ExitCode;
    uint64_t EndTime;
    std::string Log;
    std::vector<std::string> MessageBoxes;
    int CursorShowCount;
    TColor Centre;
};

// Every input exit mode 4 knows, each of which ends a full-screen run.
const char* const kAllInput = "cursor 10 10\n"
                              "at 1500 mousemove 100 100\nat 1600 mousemove 150 120\n"
                              "at 1700 mousemove 180 130\nat 1800 mousemove 190 140\n"
                              "at 2000 lbutton\nat 2100 rbutton\nat 2200 key 65\nat 2300 close\n";

HostRun RunSaver(SaverScenario& scenario, const std::string& saver, const std::vector<std::string>& args)
{
    scenario.InstallFakes();
    HeadlessBackend::Options options = scenario.Options(saver, kAllInput);
    options.RunMs = 5000;
    std::ostringstream log;
    HeadlessBackend backend(options, log);
    const int code = SaverMain(args, backend);
    const Bitmap& screen = backend.FinalScreen();
    return {code,
            backend.Now(),
            log.str(),
            backend.MessageBoxes(),
            backend.CursorShowCount(),
            screen.Empty() ? clNone : screen.GetPixel(screen.Width() / 2, screen.Height() / 2)};
}

std::string RedPictureSaver(SaverScenario& scenario)
{
    PayloadDescription payload;
    payload.kind = PayloadKind::Picture;
    payload.items.push_back(JpegPicture(scenario.Screen.Width, scenario.Screen.Height, clRed));
    payload.pictureInterval = 1;
    payload.effectTable = EnableStyles({1});
    payload.exitMode = 4;
    return scenario.Build(payload);
}

} // namespace

TEST(HostMode, TheHostOwnsInputAndEndingWhileTheSlideshowPlays)
{
    SaverScenario scenario("host-mode");
    scenario.Screen = {200, 150};
    const std::string saver = RedPictureSaver(scenario);

    // The same input ends the full-screen run at the fourth mouse move...
    const HostRun alone = RunSaver(scenario, saver, {"/s"});
    EXPECT_EQ(alone.ExitCode, 0);
    // The fourth move comes at 1800; while the transition thread composes a
    // frame the GUI thread may see it only at the frame's end, one 40 ms
    // frame later, depending on how the two threads interleave.
    EXPECT_GE(alone.EndTime, 1800u);
    EXPECT_LE(alone.EndTime, 1840u);
    EXPECT_NE(alone.Log.find("ShowWindow: Shell_TrayWND SW_HIDE"), std::string::npos);
    EXPECT_EQ(alone.CursorShowCount, -1);

    // ... and none of it ends the run in a host's window.
    const HostRun hosted = RunSaver(scenario, saver, {"--window-id", "0x600007"});
    EXPECT_EQ(hosted.ExitCode, 0);
    EXPECT_EQ(hosted.EndTime, 5000u) << "only the host's request ended it";
    EXPECT_TRUE(hosted.MessageBoxes.empty());
    EXPECT_EQ(hosted.Log.find("Shell_TrayWND"), std::string::npos) << "the taskbar is left alone:\n" << hosted.Log;
    EXPECT_EQ(hosted.CursorShowCount, 0) << "the cursor is left alone";
    // The slideshow ran: the red picture fills the host's window.
    EXPECT_GE(GetRValue(hosted.Centre), 240) << std::hex << hosted.Centre;
    EXPECT_LE(GetGValue(hosted.Centre), 16) << std::hex << hosted.Centre;
}

TEST(HostMode, WithoutARootWindowTheRootRunFailsWithAReport)
{
    SaverScenario scenario("host-no-root");
    const HostRun r = RunSaver(scenario, RedPictureSaver(scenario), {"--root"});
    EXPECT_EQ(r.ExitCode, 1);
    ASSERT_EQ(r.MessageBoxes.size(), 1u);
    EXPECT_NE(r.MessageBoxes[0].find("root window"), std::string::npos) << r.MessageBoxes[0];
}
