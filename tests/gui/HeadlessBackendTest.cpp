#include "gui/Form.h"
#include "HeadlessTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace saver;
using saver::test::HeadlessApp;

struct BadScript {
    const char* Text;
    const char* Complaint;
};

class InputScriptErrors : public testing::TestWithParam<BadScript> {};

TEST_P(InputScriptErrors, NameTheLineAndTheProblem)
{
    try {
        ParseInputScript(GetParam().Text);
        FAIL() << "accepted: " << GetParam().Text;
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find(GetParam().Complaint), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Script, InputScriptErrors,
    testing::Values(BadScript{"at 10 jump", "line 1: unknown event 'jump'"},
                    BadScript{"# fine\nat 10 mousemove 1", "line 2: expected 'mousemove X Y'"},
                    BadScript{"at 20 lbutton\nat 10 rbutton", "line 2: times must not decrease"},
                    BadScript{"at 10 key 70000", "virtual-key code out of range"},
                    BadScript{"at ten lbutton", "expected 'at TIME EVENT"},
                    BadScript{"at 5 lbutton\ncursor 1 1", "must come before the first 'at' line"},
                    BadScript{"at 5 mousemove 1 y", "bad number 'y'"}));

TEST(InputScript, ReadsEveryKindOfLine)
{
    const InputScript s = ParseInputScript("cursor 500 400\n\n# comment\nat 1500 mousemove 530 400\n"
                                           "at 2000 lbutton\nat 2500 key 65\nat 9000 close\n");
    ASSERT_TRUE(s.StartCursor);
    EXPECT_EQ(*s.StartCursor, Point(500, 400));
    ASSERT_EQ(s.Events.size(), 4u);
    EXPECT_EQ(s.Events[0].Time, 1500u);
    EXPECT_EQ(s.Events[0].A, 530);
    EXPECT_EQ(s.Events[3].Kind, "close");
}

TEST(HeadlessBackend, RunTimeEndsTheLoopAndDumpsAreNamedByVirtualTime)
{
    const auto dir = std::filesystem::temp_directory_path() / ("headless-dump-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    HeadlessBackend::Options options;
    options.Screen = {64, 48};
    options.RunMs = 60000;
    options.DumpDir = dir.string();
    options.DumpMs = 20000;
    HeadlessApp h(options);
    Form& form = h.App->AddForm(std::make_unique<Form>());
    form.State = WindowState::wsMaximized;
    form.SetColor(clWhite);
    h.App->Run();
    EXPECT_EQ(h.Backend->Now(), 60000u);
    for (const char* name : {"000000000.png", "000020000.png", "000040000.png", "000060000.png"})
        EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;
    EXPECT_EQ(h.Backend->Screen().GetPixel(63, 47), clWhite);
    std::filesystem::remove_all(dir);
}

TEST(HeadlessBackend, ShellCallsAreLoggedOneLineEach)
{
    HeadlessApp h;
    Backend& b = *h.Backend;
    b.ShowWindow(b.FindWindowA("Shell_TrayWND"), SW_HIDE);
    EXPECT_FALSE(h.Backend->TaskbarVisible());
    b.ShowWindow(b.FindWindowA("Shell_TrayWND"), SW_SHOW);
    EXPECT_TRUE(h.Backend->TaskbarVisible());
    b.ShowCursor(false);
    h.App->MessageBox("There is no configuration for this screensaver.", "Quorbel");
    EXPECT_EQ(h.Log.str(), "FindWindowA: Shell_TrayWND\n"
                           "ShowWindow: Shell_TrayWND SW_HIDE\n"
                           "FindWindowA: Shell_TrayWND\n"
                           "ShowWindow: Shell_TrayWND SW_SHOW\n"
                           "ShowCursor: FALSE -> -1\n"
                           "messagebox: Quorbel: There is no configuration for this screensaver.\n");
}
