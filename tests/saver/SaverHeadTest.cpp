#include "saver/SaverHead.h"

#include "HeadlessTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <sys/wait.h>

using namespace saver;

struct RunCase {
    std::vector<std::string> Args;
    RunKind Expected;
};

void PrintTo(const RunCase& c, std::ostream* os)
{
    *os << "arguments {";
    for (const std::string& arg : c.Args)
        *os << " \"" << arg << "\"";
    *os << " }";
}

class RunChoice : public testing::TestWithParam<RunCase> {};

TEST_P(RunChoice, FollowsTheScreensaverProtocol)
{
    EXPECT_EQ(ChooseRun(GetParam().Args), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, RunChoice,
    testing::Values(RunCase{{}, RunKind::Saver}, RunCase{{"/s"}, RunKind::Saver}, RunCase{{"/a"}, RunKind::Saver},
                    RunCase{{"/c"}, RunKind::ConfigurationRefusal},
                    RunCase{{"/c:1234"}, RunKind::ConfigurationRefusal},
                    RunCase{{"/C"}, RunKind::ConfigurationRefusal}, RunCase{{"-c"}, RunKind::ConfigurationRefusal},
                    RunCase{{"xcx"}, RunKind::ConfigurationRefusal}, RunCase{{"/p", "1234"}, RunKind::Preview},
                    RunCase{{"/p"}, RunKind::Preview}, RunCase{{"/P", "1234"}, RunKind::Saver},
                    RunCase{{"/p:1234"}, RunKind::Saver}, RunCase{{"c"}, RunKind::Saver},
                    RunCase{{""}, RunKind::Saver}),
    [](const testing::TestParamInfo<RunCase>& info) {
        // "/c:1234" -> "3_slash_c_colon_1234": readable and unique.
        std::string name = std::to_string(info.index);
        for (const std::string& arg : info.param.Args) {
            name += "_";
            for (char c : arg)
                name += std::isalnum(static_cast<unsigned char>(c)) ? std::string(1, c)
                        : c == '/'                                  ? std::string("slash")
                        : c == '-'                                  ? std::string("dash")
                                                                    : std::string("colon");
        }
        return name;
    });

TEST(InfoRequestChoice, OnlyTheExactFirstArgument)
{
    using Args = std::vector<std::string>;
    EXPECT_EQ(ChooseInfoRequest(Args{"--help"}), InfoRequest::Usage);
    EXPECT_EQ(ChooseInfoRequest(Args{"-h", "/s"}), InfoRequest::Usage);
    EXPECT_EQ(ChooseInfoRequest(Args{"--version"}), InfoRequest::Version);
    for (const Args& args : {Args{}, Args{"/s", "--help"}, Args{"-H"}, Args{"--helpx"}, Args{"-help"},
                             Args{"--Version"}, Args{"/h"}})
        EXPECT_EQ(ChooseInfoRequest(args), InfoRequest::None) << (args.empty() ? "" : args[0]);
    // Nor do they change the runs the screensaver arguments choose.
    EXPECT_EQ(ChooseRun(Args{"-H"}), RunKind::Saver);
}

namespace {

struct RunResult {
    int ExitCode;
    std::vector<std::string> MessageBoxes;
    bool TaskbarVisible;
    uint64_t EndTime;
    TColor CentrePixel;
};

RunResult RunInProcess(const std::vector<std::string>& args, uint64_t runMs = 2000)
{
    HeadlessBackend::Options options;
    options.Screen = {200, 150};
    options.RunMs = runMs;
    std::ostringstream log;
    HeadlessBackend backend(options, log);
    const int code = SaverMain(args, backend);
    return {code, backend.MessageBoxes(), backend.TaskbarVisible(), backend.Now(),
            backend.FinalScreen().Empty() ? clNone : backend.FinalScreen().GetPixel(100, 75)};
}

} // namespace

TEST(SaverMain, ConfigurationRequestOnlyShowsTheRefusal)
{
    const RunResult r = RunInProcess({"/c:1234"});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.MessageBoxes, (std::vector<std::string>{"Quorbel: There is no configuration for this screensaver."}));
    EXPECT_EQ(r.EndTime, 0u) << "no message loop runs";
}

TEST(SaverMain, SaverRunShowsABlackScreenAndRestoresTheTaskbar)
{
    const RunResult r = RunInProcess({"/s"}, 2000);
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_TRUE(r.MessageBoxes.empty());
    EXPECT_EQ(r.EndTime, 2000u);
    EXPECT_EQ(r.CentrePixel, clBlack);
    EXPECT_TRUE(r.TaskbarVisible);
}

TEST(SaverMain, PreviewFillsTheHostWindowWithWhite)
{
    const RunResult r = RunInProcess({"/p", "1234"}, 1500);
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.EndTime, 1500u);
    EXPECT_EQ(r.CentrePixel, clWhite);
    EXPECT_TRUE(r.MessageBoxes.empty());
}

TEST(SaverMain, PreviewWithoutAUsableHandleFailsWithAReport)
{
    for (const auto& args : {std::vector<std::string>{"/p"}, std::vector<std::string>{"/p", "12ab"}}) {
        const RunResult r = RunInProcess(args);
        EXPECT_EQ(r.ExitCode, 1);
        ASSERT_EQ(r.MessageBoxes.size(), 1u);
        EXPECT_NE(r.MessageBoxes[0].find("handle"), std::string::npos) << r.MessageBoxes[0];
    }
}

namespace {

// Runs build/saver with the headless backend (or the environment given) and
// returns exit code and output.
std::pair<int, std::string> RunExecutable(const std::string& args,
                                          const std::string& environment = "SAVER_BACKEND=headless")
{
    const std::string command = "env " + environment + " SAVER_RUN_MS=2000 SAVER_SCREEN=64x48 " SAVER_BINARY_DIR
                                "/saver " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    std::array<char, 256> buffer{};
    while (fgets(buffer.data(), int(buffer.size()), pipe))
        output += buffer.data();
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

} // namespace

TEST(SaverExecutable, ConfigurationRefusalLine)
{
    for (const char* arg : {"/c", "/C", "-c", "/c:1234"}) {
        const auto [code, output] = RunExecutable(arg);
        EXPECT_EQ(code, 0) << arg;
        EXPECT_EQ(output, "messagebox: Quorbel: There is no configuration for this screensaver.\n") << arg;
    }
}

TEST(SaverExecutable, SaverRunsEndByThemselves)
{
    for (const char* args : {"", "/s", "/a", "c", "/P 1234"}) {
        const auto [code, output] = RunExecutable(args);
        EXPECT_EQ(code, 0) << args;
        EXPECT_NE(output.find("ShowWindow: Shell_TrayWND SW_HIDE"), std::string::npos) << args;
        EXPECT_EQ(output.find("messagebox"), std::string::npos) << args;
    }
}

// A terminal user's questions are answered without a display; a run without
// one fails at once, naming it.
TEST(SaverExecutable, UsageAndVersionNeedNoDisplayButARunDoes)
{
    const std::string noDisplay = "-u DISPLAY -u WAYLAND_DISPLAY -u SAVER_BACKEND -u SDL_VIDEODRIVER";
    for (const char* arg : {"--help", "-h"}) {
        const auto [code, output] = RunExecutable(arg, noDisplay);
        EXPECT_EQ(code, 0) << arg;
        EXPECT_EQ(output.rfind("Usage: saver ", 0), 0u) << output;
        EXPECT_NE(output.find("SAVER_TRACE"), std::string::npos) << output;
    }
    EXPECT_EQ(RunExecutable("--version", noDisplay), (std::pair<int, std::string>{0, "saver " SAVER_VERSION "\n"}));
    const auto [code, output] = RunExecutable("/s", noDisplay);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(output.rfind("saver: cannot open display (DISPLAY is not set): ", 0), 0u) << output;
}
