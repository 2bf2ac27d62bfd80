#include "transitions/PicShow.h"

#include "core/Error.h"
#include "gui/Form.h"
#include "gui/Timer.h"
#include "HeadlessTestSupport.h"
#include "SolidGraphic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace saver;
using saver::test::HeadlessApp;
using saver::test::Solid;

namespace {

// A shown form holding one transition control, with event counters.
template <class Control>
struct ControlFixture {
    HeadlessApp H;
    Form Window;
    Control Show;
    std::vector<uint8_t> Progresses;
    int Completes = 0, Stops = 0, Starts = 0;

    explicit ControlFixture(int32_t w = 40, int32_t h = 30)
    {
        Window.SetBounds(0, 0, 200, 150);
        Show.SetParent(&Window);
        Show.SetColor(clBlack);
        Show.SetStyle(5); // Reveal from left
        Show.OnProgress = [this](Component*) { Progresses.push_back(Show.Progress()); };
        Show.OnComplete = [this](Component*) { ++Completes; };
        Show.OnStop = [this](Component*) { ++Stops; };
        Show.OnStart = [this](Component*, Bitmap&, Bitmap&) { ++Starts; };
        Window.Show();
        H.App->ProcessMessages();
        LoadPicture(w, h, clWhite);
    }
    void LoadPicture(int32_t w, int32_t h, TColor color)
    {
        Picture p;
        p.SetGraphic(Solid(w, h, color));
        Show.SetPicture(&p);
    }
    // Runs the loop until the control is idle again (or the time limit).
    void RunToIdle(uint64_t limitMs = 60000)
    {
        while (Show.Busy() && H.Backend->Now() < limitMs)
            H.RunUntil(H.Backend->Now() + 10);
    }
};

using Fixture = ControlFixture<TPicShow>;

// A control of its own whose DoBeforeNewFrame marks two pixels of the frame:
// one the effect then covers, one it leaves.
class MarkingPicShow final : public TCustomPicShow {
public:
    ~MarkingPicShow() override { StopBeforeDestruction(); }
    std::vector<TColor> SeenBefore; // the frame's first pixel when the marks are made

protected:
    void DoBeforeNewFrame(Bitmap& picture, Bitmap& screen) override
    {
        TCustomPicShow::DoBeforeNewFrame(picture, screen);
        SeenBefore.push_back(screen.GetPixel(0, 0));
        screen.SetPixel(0, 0, clRed);
        screen.SetPixel(screen.Width() - 1, 0, clRed);
    }
};

} // namespace

TEST(PicShow, ThreadedTransitionRunsItsFramesAndCompletesOnce)
{
    Fixture f;
    f.Show.Execute();
    EXPECT_TRUE(f.Show.Busy());
    f.RunToIdle();
    ASSERT_FALSE(f.Show.Busy());
    ASSERT_EQ(f.Progresses.size(), 25u);
    EXPECT_EQ(f.Progresses.front(), 4);
    EXPECT_EQ(f.Progresses.back(), 100);
    EXPECT_EQ(f.Completes, 1);
    EXPECT_EQ(f.Stops, 1);
    EXPECT_EQ(f.Starts, 1);
    EXPECT_EQ(f.Show.FrameBitmap().GetPixel(0, 0), clWhite);
    EXPECT_EQ(f.Show.FrameBitmap().GetPixel(39, 29), clWhite);
    // 25 frames paced 40 ms apart: about a second of virtual time.
    EXPECT_GE(f.H.Backend->Now(), 960u);
    EXPECT_LE(f.H.Backend->Now(), 1100u);
}

// The animation thread runs at ThreadPriority; the frames' handlers, run on
// it, read its priority back. Only lowering is tested: raising may be refused.
TEST(PicShow, TheAnimationThreadRunsAtThreadPriority)
{
    const int32_t inherited = CurrentThreadPriorityValue();
    struct Case {
        ThreadPriority Priority;
        int32_t Expected;
    };
#ifdef _WIN32
    const Case cases[] = {{ThreadPriority::tpNormal, 0}, {ThreadPriority::tpLowest, -2}, {ThreadPriority::tpIdle, -15}};
#else
    const Case cases[] = {{ThreadPriority::tpNormal, inherited},
                          {ThreadPriority::tpLowest, std::min(inherited + 10, 19)},
                          {ThreadPriority::tpIdle, 19}};
#endif
    for (const Case& c : cases) {
        Fixture f;
        f.Show.SetStep(50);
        f.Show.SetThreadPriority(c.Priority);
        std::vector<int32_t> seen;
        f.Show.OnAfterNewFrame = [&](Component*, Bitmap&, Bitmap&) { seen.push_back(CurrentThreadPriorityValue()); };
        f.Show.Execute();
        f.RunToIdle();
        EXPECT_EQ(seen, (std::vector<int32_t>{c.Expected, c.Expected})) << int(c.Priority);
    }
    EXPECT_EQ(CurrentThreadPriorityValue(), inherited) << "the GUI thread keeps its priority";
}

TEST(PicShow, StepIsKeptWithinOneToHundred)
{
    Fixture f;
    f.Show.SetStep(0);
    EXPECT_EQ(f.Show.Step(), 1);
    f.Show.SetStep(500);
    EXPECT_EQ(f.Show.Step(), 100);
    f.Show.Execute();
    f.RunToIdle();
    EXPECT_EQ(f.Progresses, (std::vector<uint8_t>{100}));
    EXPECT_EQ(f.Completes, 1);
}

TEST(PicShow, StepThreeTakesThirtyFourFrames)
{
    Fixture f;
    f.Show.SetStep(3);
    f.Show.Execute();
    f.RunToIdle();
    ASSERT_EQ(f.Progresses.size(), 34u);
    EXPECT_EQ(f.Progresses[32], 99);
    EXPECT_EQ(f.Progresses[33], 100);
}

TEST(PicShow, ReverseRunsBackToTheOldImage)
{
    Fixture f;
    f.Show.SetReverse(true);
    f.Show.SetStep(25);
    f.Show.Execute();
    f.RunToIdle();
    EXPECT_EQ(f.Progresses, (std::vector<uint8_t>{75, 50, 25, 0}));
    EXPECT_EQ(f.Show.FrameBitmap().GetPixel(0, 0), clBlack) << "the last frame is the old image";
}

TEST(PicShow, CustomStyleWithoutAHandlerShowsTheOldImageUntilTheEnd)
{
    Fixture f;
    f.Show.SetStyle(0);
    f.Show.SetStep(50);
    std::vector<TColor> seen;
    f.Show.OnAfterNewFrame = [&](Component*, Bitmap&, Bitmap& screen) { seen.push_back(screen.GetPixel(0, 0)); };
    f.Show.Execute();
    f.RunToIdle();
    EXPECT_EQ(seen, (std::vector<TColor>{clBlack, clWhite}));
}

// An overridden DoBeforeNewFrame runs after the old image and before the
// effect on every frame, whether OnBeforeNewFrame is assigned or not.
TEST(PicShow, AnOverriddenDoBeforeNewFrameRunsBeforeTheEffect)
{
    for (const bool withEvent : {false, true}) {
        ControlFixture<MarkingPicShow> f;
        f.Show.SetStep(25);
        int events = 0;
        if (withEvent)
            f.Show.OnBeforeNewFrame = [&](Component*, Bitmap&, Bitmap&) { ++events; };
        std::vector<TColor> covered, left;
        f.Show.OnAfterNewFrame = [&](Component*, Bitmap&, Bitmap& screen) {
            covered.push_back(screen.GetPixel(0, 0));
            left.push_back(screen.GetPixel(39, 0));
        };
        f.Show.Execute();
        f.RunToIdle();
        EXPECT_EQ(f.Show.SeenBefore, std::vector<TColor>(4, clBlack)) << "the old image, before the effect";
        EXPECT_EQ(covered, std::vector<TColor>(4, clWhite)) << "the effect drew over the mark";
        EXPECT_EQ(left, (std::vector<TColor>{clRed, clRed, clRed, clWhite})) << "the mark stays where no effect drew";
        EXPECT_EQ(events, withEvent ? 4 : 0);
    }
}

TEST(PicShow, CallsWhileBusyOrIdleThatDoNothing)
{
    Fixture f;
    f.Show.Stop(); // idle: nothing
    EXPECT_EQ(f.Stops, 0);
    f.Show.Execute();
    f.Show.Execute(); // busy: ignored
    f.Show.Clear();   // busy: ignored
    f.RunToIdle();
    EXPECT_EQ(f.Starts, 1);
    EXPECT_EQ(f.Completes, 1);
    EXPECT_FALSE(f.Show.FrameBitmap().Empty());
    f.Show.Clear();
    EXPECT_TRUE(f.Show.FrameBitmap().Empty());
}

TEST(PicShow, StopEndsAThreadedTransitionWithOnStopOnly)
{
    Fixture f;
    f.Show.Execute();
    f.H.RunUntil(200);
    ASSERT_TRUE(f.Show.Busy());
    f.Show.Stop();
    EXPECT_FALSE(f.Show.Busy());
    EXPECT_EQ(f.Stops, 1);
    EXPECT_EQ(f.Completes, 0);
    const uint8_t reached = f.Show.Progress();
    EXPECT_GT(reached, 0);
    EXPECT_LT(reached, 100);
    // The partial frame stays: its left part is new, its right part old.
    EXPECT_EQ(f.Show.FrameBitmap().GetPixel(0, 0), clWhite);
    EXPECT_EQ(f.Show.FrameBitmap().GetPixel(39, 0), clBlack);

    // The next transition takes the partial frame, as shown, as its old image.
    f.LoadPicture(40, 30, clRed);
    TColor oldRight = 0;
    f.Show.OnStart = [&](Component*, Bitmap&, Bitmap& old) { oldRight = old.GetPixel(39, 0); };
    TColor oldLeft = 0;
    f.Show.OnBeforeNewFrame = [&](Component*, Bitmap&, Bitmap& screen) { oldLeft = screen.GetPixel(0, 0); };
    f.Show.Execute();
    f.RunToIdle();
    EXPECT_EQ(oldRight, clBlack);
    EXPECT_EQ(oldLeft, clWhite);
}

TEST(PicShow, AFailureOnTheAnimationThreadEndsTheTransitionAndIsReported)
{
    Fixture f;
    f.H.App->SetTitle("Quorbel");
    bool onAnimationThread = false;
    f.Show.OnBeforeNewFrame = [&](Component*, Bitmap&, Bitmap&) {
        if (f.Show.Progress() < 40)
            return;
        onAnimationThread = !f.H.App->IsGuiThread();
        throw Exception("Frame failed!");
    };
    f.Show.Execute();
    f.RunToIdle(5000);
    EXPECT_TRUE(onAnimationThread);
    EXPECT_FALSE(f.Show.Busy());
    EXPECT_EQ(f.Show.Progress(), 40) << "no frame after the failing one";
    EXPECT_EQ(f.Stops, 1);
    EXPECT_EQ(f.H.Backend->MessageBoxes(), (std::vector<std::string>{"Quorbel: Frame failed!"}));

    // The control runs the next transition as usual.
    f.Show.OnBeforeNewFrame = nullptr;
    f.Show.Execute();
    f.RunToIdle();
    EXPECT_EQ(f.Show.Progress(), 100);
    EXPECT_EQ(f.H.Backend->MessageBoxes().size(), 1u);
}

TEST(PicShow, ManualTransitionsFollowProgressWrites)
{
    Fixture f;
    f.Show.SetManual(true);
    f.Show.Execute();
    EXPECT_TRUE(f.Show.Busy());
    f.H.RunUntil(500);
    EXPECT_TRUE(f.Progresses.empty()) << "nothing drives a manual transition";
    f.Show.SetProgress(50);
    f.Show.SetProgress(50); // unchanged: no frame
    f.Show.SetProgress(300);
    EXPECT_EQ(f.Progresses, (std::vector<uint8_t>{50, 100}));
    EXPECT_TRUE(f.Show.Busy()) << "only Stop ends a manual transition";
    f.Show.Stop();
    EXPECT_EQ(f.Completes, 0);
    EXPECT_EQ(f.Stops, 1);
}

TEST(PicShow, SwitchingManualPausesAndResumesTheAnimation)
{
    Fixture f;
    f.Show.Execute();
    f.H.RunUntil(200);
    f.Show.SetManual(true);
    ASSERT_TRUE(f.Show.Busy());
    const uint8_t paused = f.Show.Progress();
    f.H.RunUntil(2000);
    EXPECT_EQ(f.Show.Progress(), paused);
    f.Show.SetManual(false);
    f.RunToIdle();
    EXPECT_EQ(f.Show.Progress(), 100);
    EXPECT_EQ(f.Completes, 1);
}

TEST(PicShow, MessagePumpingLoopCompletesAndCanBeStopped)
{
    Fixture f;
    f.Show.SetThreaded(false);
    f.Show.Execute(); // returns when the loop has finished
    EXPECT_FALSE(f.Show.Busy());
    EXPECT_EQ(f.Progresses.size(), 25u);
    EXPECT_EQ(f.Completes, 1);

    Timer stopper;
    stopper.SetInterval(300);
    stopper.OnTimer = [&](Component*) {
        stopper.SetEnabled(false);
        f.Show.Stop();
    };
    f.Progresses.clear();
    f.Show.Execute();
    EXPECT_FALSE(f.Show.Busy());
    EXPECT_LT(f.Progresses.size(), 25u);
    EXPECT_EQ(f.Completes, 1);
    EXPECT_EQ(f.Stops, 2);
}

TEST(PicShow, WithoutOverDrawTheOldImageIsTheBackground)
{
    Fixture f;
    f.Show.Execute();
    f.RunToIdle();
    f.Show.SetOverDraw(false);
    f.Show.SetColor(clBlue);
    f.LoadPicture(40, 30, clRed);
    TColor old = 0;
    f.Show.OnStart = [&](Component*, Bitmap&, Bitmap& oldImage) { old = oldImage.GetPixel(5, 5); };
    f.Show.Execute();
    f.RunToIdle();
    EXPECT_EQ(old, clBlue) << "not the white picture shown before";
}

TEST(PicShow, CentredPictureLargerThanTheClientHasNegativeOffsets)
{
    Fixture f(300, 200);
    f.Show.SetAutoSize(false);
    f.Show.SetBounds(0, 0, 100, 100);
    f.Show.SetCenter(true);
    f.Show.Execute();
    f.RunToIdle();
    EXPECT_EQ(f.Show.PicRect(), Rect(-100, -50, 200, 150));
}

TEST(PicShow, AspectFitKeepsProportionsAndCentres)
{
    EXPECT_EQ(TCustomPicShow::AspectFit({0, 0, 400, 300}, {0, 0, 800, 600}), Rect(0, 0, 800, 600));
    EXPECT_EQ(TCustomPicShow::AspectFit({0, 0, 100, 100}, {0, 0, 800, 600}), Rect(100, 0, 700, 600));
    EXPECT_EQ(TCustomPicShow::AspectFit({0, 0, 300, 100}, {10, 20, 310, 320}), Rect(10, 120, 310, 220));
}

TEST(PicShow, StyleWritesFollowTheRegistry)
{
    Fixture f;
    // Out of range, however wide: nothing changes (300 is not taken as 44).
    for (const uint32_t outOfRange : {151u, 255u, 256u, 300u}) {
        f.Show.SetStyle(outOfRange);
        EXPECT_EQ(f.Show.Style(), 5) << outOfRange;
    }
    f.Show.SetStyle(150);
    EXPECT_EQ(f.Show.Style(), 150);
    f.Show.SetStyleName("cUsToM");
    EXPECT_EQ(f.Show.Style(), 0);
    f.Show.SetStyleName("Expand from bottom");
    EXPECT_EQ(f.Show.Style(), 18);
    f.Show.SetStyle(33);
    EXPECT_EQ(f.Show.StyleName(), "Expand from bottom");
    f.Show.SetStyleName("Uneven shred from bottom"); // the stored name is "Unven ..."
    EXPECT_EQ(f.Show.Style(), 33);
}

TEST(PicShow, PixelStylesSwitchBothBitmapsToThirtyTwoBits)
{
    Fixture f;
    f.Show.SetManual(true);
    f.Show.SetStyle(51);
    f.Show.Execute();
    std::vector<PixelFormat> formats;
    f.Show.OnBeforeNewFrame = [&](Component*, Bitmap& picture, Bitmap& screen) {
        formats.push_back(picture.GetPixelFormat());
        formats.push_back(screen.GetPixelFormat());
    };
    f.Show.SetProgress(10);
    f.Show.SetStyle(118);
    f.Show.SetProgress(20);
    f.Show.SetStyle(5);
    f.Show.SetProgress(30);
    f.Show.Stop();
    EXPECT_NE(formats[0], PixelFormat::pf32bit);
    EXPECT_EQ(formats[2], PixelFormat::pf32bit);
    EXPECT_EQ(formats[3], PixelFormat::pf32bit);
    EXPECT_EQ(formats[4], PixelFormat::pf32bit) << "nothing switches back";
    EXPECT_EQ(formats[5], PixelFormat::pf32bit);
}

TEST(PicShow, DestroyingTheControlMidTransitionFiresNothing)
{
    Fixture f;
    auto show = std::make_unique<TPicShow>();
    show->SetParent(&f.Window);
    int events = 0;
    show->OnComplete = [&](Component*) { ++events; };
    show->OnStop = [&](Component*) { ++events; };
    Picture p;
    p.SetGraphic(Solid(20, 20, clWhite));
    show->SetPicture(&p);
    show->Execute();
    f.H.RunUntil(300);
    show.reset();
    f.H.RunUntil(1000);
    EXPECT_EQ(events, 0);
}

TEST(PicShow, TilesWholeGraphicsFromTheTopLeft)
{
    Fixture f;
    f.Window.SetBounds(0, 0, 300, 150);
    f.Show.SetAutoSize(false);
    f.Show.SetBounds(0, 0, 250, 100);
    Picture tile;
    auto g = Solid(100, 40, clRed);
    static_cast<BitmapGraphic&>(*g).GetBitmap().SetPixel(0, 0, clGreen);
    tile.SetGraphic(std::move(g));
    f.Show.SetBgPicture(&tile);
    f.Show.SetPicture(nullptr);
    f.H.App->ProcessMessages();
    const Bitmap& screen = f.H.Backend->Screen();
    // Tile corners at x = 0, 100, 200 and y = 0, 40, 80.
    for (int32_t y : {0, 40, 80})
        for (int32_t x : {0, 100, 200})
            EXPECT_EQ(screen.GetPixel(x, y), clGreen) << x << "," << y;
    EXPECT_EQ(screen.GetPixel(249, 99), clRed);
}
