// The saver window at work on the virtual clock: slideshow timing, the exit
// rules, the music playlist and the Flash playlist.

#include "SaverTestSupport.h"

#include <gtest/gtest.h>

using namespace saver;
using namespace saver::test;

namespace {

PayloadDescription Pictures(int count, int32_t interval, std::initializer_list<int> styles, int32_t exitMode = 0)
{
    PayloadDescription p;
    p.kind = PayloadKind::Picture;
    for (int i = 0; i < count; ++i)
        p.items.push_back(JpegPicture(16 + i, 12, RGB(uint8_t(40 * i), 100, 200)));
    p.pictureInterval = interval;
    p.effectTable = EnableStyles(styles);
    p.exitMode = exitMode;
    return p;
}

// Transition starts as (virtual second, picture width, style).
struct Start {
    uint32_t Second;
    int32_t Width;
    int Style;
    bool operator==(const Start&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Start& s) { return os << "{" << s.Second << "s w" << s.Width << " s" << s.Style << "}"; }

} // namespace

TEST(Slideshow, IntervalThreeStartsAtTickOneThenEveryThirdIdleTick)
{
    SaverScenario s("slideshow-3");
    SaverRun run(s, s.Build(Pictures(4, 3, {5})));
    std::vector<Start> starts;
    run.Form->PicShow1->OnStart = [&](Component*, Bitmap& picture, Bitmap&) {
        starts.push_back({run.H.App->GetTickCount() / 1000, picture.Width(), run.Form->PicShow1->Style()});
    };
    run.H.RunUntil(16500);
    // A transition takes about a second, during which ticks are not counted.
    ASSERT_GE(starts.size(), 4u);
    EXPECT_EQ(starts[0], (Start{1, 16, 5}));
    // The transition ends before tick 2; ticks 2, 3 and 4 are idle.
    EXPECT_EQ(starts[1].Second, 4u);
    EXPECT_EQ(starts[1].Width, 17);
    EXPECT_EQ(starts[2].Second, 7u);
    EXPECT_EQ(starts[3].Width, 19);
    EXPECT_EQ(starts[4].Width, 16) << "four pictures wrap to picture 0";
    for (const Start& start : starts)
        EXPECT_EQ(start.Style, 5);
}

TEST(Slideshow, ALongIntervalDelaysTheFirstPicture)
{
    SaverScenario s("slideshow-105");
    SaverRun run(s, s.Build(Pictures(2, 105, {1, 52})));
    std::vector<uint32_t> seconds;
    run.Form->PicShow1->OnStart = [&](Component*, Bitmap&, Bitmap&) { seconds.push_back(run.H.App->GetTickCount()); };
    run.H.RunUntil(7000);
    EXPECT_EQ(seconds, (std::vector<uint32_t>{5000}));
}

TEST(Slideshow, AnEmptyStyleListUsesTheCustomStyle)
{
    SaverScenario s("slideshow-empty-styles");
    PayloadDescription payload = Pictures(2, 1, {});
    payload.music.push_back({Bytes(10, 1), 0x39}); // the first item fails: the table is never read
    payload.check = LayoutCheck::Unchecked;
    SaverRun run(s, s.Build(payload));
    std::vector<int> styles;
    run.Form->PicShow1->OnStart = [&](Component*, Bitmap&, Bitmap&) { styles.push_back(run.Form->PicShow1->Style()); };
    run.H.RunUntil(4500);
    ASSERT_FALSE(styles.empty());
    EXPECT_EQ(styles[0], 0);
    EXPECT_TRUE(run.H.Backend->MessageBoxes().empty()) << "no load message when the table was not reached";
}

TEST(Slideshow, OnlyExcludedStylesShowsTheLoadMessageAndEnds)
{
    SaverScenario s("slideshow-style-7");
    SaverRun run(s, s.Build(Pictures(2, 1, {7})));
    run.H.App->Run();
    run.H.App.reset(); // the application ends: the taskbar comes back
    EXPECT_EQ(run.H.Backend->MessageBoxes(),
              (std::vector<std::string>{std::string("Lumivex: ") + kLoadEffectDataError}));
    EXPECT_TRUE(run.H.Backend->TaskbarVisible());
}

// A picture that cannot be shown is reported once and passed over; the
// show goes on with the others, and no message box ever comes up.
TEST(Slideshow, ABadPictureIsReportedOnceAndSkipped)
{
    SaverScenario s("slideshow-bad-picture");
    s.Screen = {640, 480}; // small, so the sanitizer builds keep up
    SaverRun run(s, s.Build(Pictures(3, 1, {5})));
    std::ofstream(s.Temp / "fpics1.jpg", std::ios::binary | std::ios::trunc) << "not a picture";
    DiagnosticCapture diagnostics;
    std::vector<int32_t> widths;
    run.Form->PicShow1->OnStart = [&](Component*, Bitmap& picture, Bitmap&) { widths.push_back(picture.Width()); };
    run.H.RunUntil(20000);
    EXPECT_TRUE(run.H.Backend->MessageBoxes().empty());
    ASSERT_EQ(diagnostics.Lines.size(), 1u);
    EXPECT_NE(diagnostics.Lines[0].find("picture 1 skipped"), std::string::npos) << diagnostics.Lines[0];
    ASSERT_GE(widths.size(), 4u);
    EXPECT_EQ(std::vector<int32_t>(widths.begin(), widths.begin() + 4), (std::vector<int32_t>{16, 18, 16, 18}));
}

// With no picture that can be shown the screen stays black, nothing is
// reported twice, and the exit rules still end the saver.
TEST(Slideshow, NoGoodPictureKeepsTheScreenBlackAndTheExitRules)
{
    SaverScenario s("slideshow-no-good-picture");
    SaverRun run(s, s.Build(Pictures(2, 1, {5}, 3)), "at 9000 key 65\n");
    for (const char* name : {"fpics0.jpg", "fpics1.jpg"})
        std::filesystem::remove(s.Temp / name);
    DiagnosticCapture diagnostics;
    int starts = 0;
    run.Form->PicShow1->OnStart = [&](Component*, Bitmap&, Bitmap&) { ++starts; };
    run.H.RunUntil(8000);
    EXPECT_EQ(starts, 0);
    EXPECT_EQ(diagnostics.Lines.size(), 2u);
    EXPECT_TRUE(run.H.Backend->MessageBoxes().empty());
    EXPECT_FALSE(run.H.App->Terminated());
    run.H.RunUntil(10000);
    EXPECT_TRUE(run.H.App->Terminated()) << "a key still ends the saver";
}

// Only the middle of a picture larger than the screen is decoded: the
// control gets a picture the screen's size.
TEST(Slideshow, APictureLargerThanTheScreenIsDecodedToTheScreen)
{
    SaverScenario s("slideshow-large-picture");
    s.Screen = {64, 48};
    PayloadDescription payload = Pictures(1, 1, {5});
    payload.items[0] = JpegPicture(301, 33, RGB(10, 200, 30));
    SaverRun run(s, s.Build(payload));
    Size size;
    run.Form->PicShow1->OnStart = [&](Component*, Bitmap& picture, Bitmap&) { size = {picture.Width(), picture.Height()}; };
    run.H.RunUntil(2500);
    EXPECT_EQ(size, (Size{64, 33}));
}

// ------------------------------------------------------------- exit rules

struct ExitCase {
    const char* Name;
    int32_t Mode;
    const char* Script;
    bool Closes;
};
void PrintTo(const ExitCase& c, std::ostream* os) { *os << c.Name; }

class ExitRules : public testing::TestWithParam<ExitCase> {};

TEST_P(ExitRules, FollowTheModeTable)
{
    const ExitCase& c = GetParam();
    SaverScenario s(std::string("exit-") + c.Name);
    SaverRun run(s, s.Build(Pictures(1, 100, {5}, c.Mode)), std::string("cursor 500 400\n") + c.Script);
    run.H.RunUntil(10000);
    EXPECT_EQ(run.H.App->Terminated(), c.Closes);
    if (c.Closes) {
        EXPECT_TRUE(run.H.Backend->TaskbarVisible());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ExitRules,
    testing::Values(
        ExitCase{"Mode1FourthMoveRight", 1, "at 100 mousemove 530 400\nat 200 mousemove 530 400\nat 300 mousemove 530 400\nat 400 mousemove 530 400\n", true},
        ExitCase{"Mode1ThreeMovesOnly", 1, "at 100 mousemove 1000 400\nat 200 mousemove 1000 400\nat 300 mousemove 1000 400\n", false},
        ExitCase{"Mode1SmallMovesNever", 1, "at 100 mousemove 510 410\nat 200 mousemove 510 410\nat 300 mousemove 510 410\nat 400 mousemove 510 410\nat 500 mousemove 510 410\n", false},
        // Moving left or up ends the saver too (absolute distances).
        ExitCase{"Mode1FourthMoveLeft", 1, "at 100 mousemove 470 400\nat 200 mousemove 470 400\nat 300 mousemove 470 400\nat 400 mousemove 470 400\n", true},
        ExitCase{"Mode1FourthMoveUp", 1, "at 100 mousemove 500 370\nat 200 mousemove 500 370\nat 300 mousemove 500 370\nat 400 mousemove 500 370\n", true},
        ExitCase{"Mode1ButtonsAndKeysDoNothing", 1, "at 100 lbutton\nat 200 rbutton\nat 300 key 65\n", false},
        ExitCase{"Mode2MoveDoesNothing", 2, "at 100 mousemove 1000 700\nat 200 mousemove 0 0\nat 300 mousemove 1000 700\nat 400 mousemove 0 0\nat 500 mousemove 1000 700\n", false},
        ExitCase{"Mode2LeftButton", 2, "at 100 lbutton\n", true},
        ExitCase{"Mode2RightButton", 2, "at 100 rbutton\n", true},
        ExitCase{"Mode3ButtonDoesNothing", 3, "at 100 lbutton\nat 200 rbutton\n", false},
        ExitCase{"Mode3AnyKey", 3, "at 100 key 16\n", true},
        ExitCase{"Mode3UserSpace", 3, "at 100 key 32\n", true},
        ExitCase{"Mode4Key", 4, "at 100 key 65\n", true},
        ExitCase{"Mode0NothingCloses", 0, "at 100 lbutton\nat 200 rbutton\nat 300 key 65\nat 400 mousemove 0 0\nat 500 mousemove 1000 700\nat 600 mousemove 0 0\nat 700 mousemove 1000 700\n", false},
        ExitCase{"Mode7NothingCloses", 7, "at 100 lbutton\nat 300 key 65\n", false},
        ExitCase{"Mode0AltF4", 0, "at 100 close\n", true},
        ExitCase{"Mode3AltF4", 3, "at 100 close\n", true},
        ExitCase{"ScreensaveRequestSwallowed", 0, "at 100 screensave\n", false}),
    [](const testing::TestParamInfo<ExitCase>& info) { return std::string(info.param.Name); });

TEST(ExitRules, TheSpaceKeySentAtResizeNeverCloses)
{
    SaverScenario s("exit-own-space");
    SaverRun run(s, s.Build(Pictures(1, 100, {5}, 3)));
    run.H.RunUntil(3000);
    EXPECT_FALSE(run.H.App->Terminated());
    EXPECT_EQ(run.Form->FlashPlayer->Width(), 1024) << "the hidden button's click sized the Flash control";
}

TEST(ExitRules, RightButtonPressesReachNoWindow)
{
    SaverScenario s("exit-right-button");
    SaverRun run(s, s.Build(Pictures(1, 100, {5}, 1)), "cursor 100 100\nat 100 rbutton\nat 200 lbutton\n");
    std::vector<MouseButton> downs;
    run.Form->PicShow1->OnMouseDown = [&](Component*, MouseButton b, uint32_t, int32_t, int32_t) { downs.push_back(b); };
    run.H.RunUntil(1000);
    EXPECT_EQ(downs, (std::vector<MouseButton>{MouseButton::mbLeft}));
}

// ------------------------------------------------------------------ music

TEST(Music, ItemsPlayInOrderAndLoop)
{
    SaverScenario s("music-loop");
    s.MusicLengthMs = 5000;
    PayloadDescription payload = Pictures(1, 100, {5});
    payload.music = {{Bytes(10, 1), '1'}, {Bytes(10, 2), '2'}, {Bytes(10, 3), '0'}};
    SaverRun run(s, s.Build(payload));
    run.H.RunUntil(21000);
    const auto opens = s.Log.Matching("open");
    ASSERT_GE(opens.size(), 5u);
    EXPECT_EQ(opens[0], "0 open qorvane0.mp3");
    EXPECT_EQ(opens[1], "5000 open qorvane1.wav");
    EXPECT_EQ(opens[2], "10000 open qorvane2.mid");
    EXPECT_EQ(opens[3], "15000 open qorvane0.mp3");
}

TEST(Music, ASingleItemRepeats)
{
    SaverScenario s("music-single");
    s.MusicLengthMs = 3000;
    PayloadDescription payload = Pictures(1, 100, {5});
    payload.music = {{Bytes(10, 1), '2'}};
    SaverRun run(s, s.Build(payload));
    run.H.RunUntil(10000);
    EXPECT_EQ(s.Log.Matching("open qorvane0.wav").size(), 4u); // 0, 3, 6, 9 s
}

TEST(Music, AnUnknownTypeStopsTheMusicButNotTheSlideshow)
{
    SaverScenario s("music-bad-third");
    s.MusicLengthMs = 2000;
    PayloadDescription payload = Pictures(2, 2, {5});
    payload.music = {{Bytes(10, 1), '1'}, {Bytes(10, 2), '1'}, {Bytes(10, 3), 0x39}};
    payload.check = LayoutCheck::Unchecked;
    SaverRun run(s, s.Build(payload));
    int transitions = 0;
    run.Form->PicShow1->OnStart = [&](Component*, Bitmap&, Bitmap&) { ++transitions; };
    run.H.RunUntil(20000);
    const auto boxes = run.H.Backend->MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], "Lumivex: load music error");
    EXPECT_NE(boxes[1].find("cannot be played"), std::string::npos) << boxes[1];
    EXPECT_EQ(s.Log.Matching("open").size(), 2u) << "no more music after the failure";
    EXPECT_GE(transitions, 4);
}

// ------------------------------------------------------------------ flash

// Three movies of the fakes' 400 frames at 25 a second.
static PayloadDescription ThreeMovies()
{
    PayloadDescription payload;
    payload.kind = PayloadKind::Flash;
    payload.items = {FlashMovieBytes(100), FlashMovieBytes(120), FlashMovieBytes(140)};
    return payload;
}

TEST(FlashPlayback, MoviesPlayZeroZeroOneTwoAndSwitchNearTheEnd)
{
    SaverScenario s("flash-three");
    s.Screen = {160, 120}; // the movie repaints 25 times a second for 80 s: keep it small
    SaverRun run(s, s.Build(ThreeMovies()));
    run.H.RunUntil(80000);
    const auto movies = s.Log.Matching("movie");
    ASSERT_GE(movies.size(), 5u);
    // Frame 380 of a 25-frame-a-second movie is reached 15.16 s after it
    // starts; the next tick at or after that switches.
    EXPECT_EQ(movies[0], "0 movie qorvane0.swf");
    EXPECT_EQ(movies[1], "16000 movie qorvane0.swf");
    EXPECT_EQ(movies[2], "32000 movie qorvane1.swf");
    EXPECT_EQ(movies[3], "48000 movie qorvane2.swf");
    EXPECT_EQ(movies[4], "64000 movie qorvane0.swf");
    EXPECT_TRUE(run.Form->FlashPlayer->Visible());
    EXPECT_EQ(run.Form->FlashPlayer->Width(), 160);
}

// A real player starts a movie a while after Play, so the tick that sees
// frame 380 can fall anywhere in the second after it. Each switch still
// comes at the first tick at or after the start + 15.16 s: a start 840 ms
// late switches at the same tick as a prompt one, 841 ms late one tick
// later.
TEST(FlashPlayback, SwitchesAtTheFirstTickPastFrame380WhateverTheStartDelay)
{
    for (const uint32_t delay : {0u, 840u, 841u}) {
        SaverScenario s("flash-delay-" + std::to_string(delay));
        s.Screen = {160, 120};
        s.MovieStartDelayMs = delay;
        SaverRun run(s, s.Build(ThreeMovies()));
        run.H.RunUntil(52000);
        const auto movies = s.Log.Matching("movie");
        ASSERT_GE(movies.size(), 4u) << "delay " << delay;
        uint32_t at = 0;
        const char* order[] = {"0", "0", "1", "2"};
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(movies[i], std::to_string(at) + " movie qorvane" + order[i] + ".swf") << "delay " << delay;
            at = (at + delay + 15160 + 999) / 1000 * 1000;
        }
    }
}

TEST(FlashPlayback, WithoutAFlashPlayerAFlashPayloadEndsWithAReport)
{
    SaverScenario s("flash-missing");
    s.FlashInstalled = false;
    PayloadDescription payload;
    payload.kind = PayloadKind::Flash;
    payload.items = {FlashMovieBytes(100)};
    SaverRun run(s, s.Build(payload));
    run.H.App->Run();
    run.H.App.reset();
    ASSERT_EQ(run.H.Backend->MessageBoxes().size(), 1u);
    EXPECT_EQ(run.H.Backend->MessageBoxes()[0], "Lumivex: The Flash player is not installed");
    EXPECT_TRUE(run.H.Backend->TaskbarVisible());
}

TEST(FlashPlayback, PicturePayloadsNeedNoFlashPlayer)
{
    SaverScenario s("flash-missing-pictures");
    s.FlashInstalled = false;
    SaverRun run(s, s.Build(Pictures(2, 1, {5})));
    int transitions = 0;
    run.Form->PicShow1->OnStart = [&](Component*, Bitmap&, Bitmap&) { ++transitions; };
    run.H.RunUntil(5000);
    EXPECT_GE(transitions, 2);
    EXPECT_TRUE(run.H.Backend->MessageBoxes().empty());
}
