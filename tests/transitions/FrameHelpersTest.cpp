#include "EffectTestSupport.h"
#include "gdi/Canvas.h"
#include "transitions/PSEffect.h"

#include <gtest/gtest.h>

using namespace saver;
using namespace saver::test;

TEST(CalcProgressMetrics, ScalesTheLongerSideAndDerivesTheOther)
{
    EXPECT_EQ(CalcProgressMetrics({0, 0, 800, 600}, 4, 50), (ProgressMetrics{800, 600, 400, 300, 36}));
    EXPECT_EQ(CalcProgressMetrics({0, 0, 600, 800}, 4, 50), (ProgressMetrics{600, 800, 300, 400, 36}));
    // 338 * 768 / 1024 = 253.5 rounds up (scaled directly, 768 would give
    // 253); 1024 * 4 / 90 = 45.5 as well.
    EXPECT_EQ(CalcProgressMetrics({0, 0, 1024, 768}, 4, 33), (ProgressMetrics{1024, 768, 338, 254, 46}));
    EXPECT_EQ(CalcProgressMetrics({0, 0, 768, 1024}, 4, 33), (ProgressMetrics{768, 1024, 254, 338, 46}));
    // Only the size of the rectangle counts, not where it lies.
    EXPECT_EQ(CalcProgressMetrics({-10, 20, 790, 620}, 4, 50), CalcProgressMetrics({0, 0, 800, 600}, 4, 50));
}

TEST(CalcProgressMetrics, StepLengthIsZeroWhenTheLongerSideTimesStepIsBelow45)
{
    EXPECT_EQ(CalcProgressMetrics({0, 0, 44, 10}, 1, 50).StepLength, 0);
    EXPECT_EQ(CalcProgressMetrics({0, 0, 45, 10}, 1, 50).StepLength, 1);
    EXPECT_EQ(CalcProgressMetrics({0, 0, 10, 44}, 1, 50).StepLength, 0);
    EXPECT_EQ(CalcProgressMetrics({0, 0, 10, 45}, 1, 50).StepLength, 1);
}

TEST(MirrorStretchCopy, OnlyThePartOfTheSourceInsideThePictureIsStretched)
{
    const auto picture = MakePicture(10, 2);
    auto screen = MakeOldImage(10, 2);
    const auto old = MakeOldImage(10, 2);
    MirrorStretchCopy(screen->GetCanvas(), {0, 0, 10, 2}, *picture, {10, 0, 30, 2}, false, false);
    MirrorStretchCopy(screen->GetCanvas(), {0, 0, 10, 2}, *picture, {-30, -5, -1, 5}, true, true);
    EXPECT_TRUE(SamePixels(*screen, *old)) << "a source wholly outside copies nothing";

    // Half outside: source columns 5..9 doubled over all ten columns.
    MirrorStretchCopy(screen->GetCanvas(), {0, 0, 10, 1}, *picture, {5, 0, 15, 1}, false, false);
    for (int32_t x = 0; x < 10; ++x)
        EXPECT_EQ(screen->GetPixel(x, 0), picture->GetPixel(5 + x / 2, 0)) << x;
}

TEST(MirrorStretchCopy, FlipsReachOnePastTheFarEdgeAndKeepTheStretchMode)
{
    // Flipped, the destination (0, 8) becomes origin 9 with extent -10, so
    // the mirrored copy covers columns 0..9.
    const auto picture = MakePicture(8, 8);
    auto screen = MakeOldImage(12, 12);
    Canvas& canvas = screen->GetCanvas();
    canvas.SetStretchBltMode(StretchMode::COLORONCOLOR);
    MirrorStretchCopy(canvas, {0, 0, 8, 1}, *picture, {0, 0, 8, 1}, true, false);
    MirrorStretchCopy(canvas, {11, 0, 12, 8}, *picture, {0, 0, 1, 8}, false, true);
    EXPECT_EQ(canvas.GetStretchBltMode(), StretchMode::COLORONCOLOR);

    EXPECT_EQ(screen->GetPixel(0, 0), picture->GetPixel(7, 0));
    EXPECT_EQ(screen->GetPixel(9, 0), picture->GetPixel(0, 0));
    EXPECT_EQ(screen->GetPixel(10, 0), kOldColor);
    EXPECT_EQ(screen->GetPixel(11, 0), picture->GetPixel(0, 7));
    EXPECT_EQ(screen->GetPixel(11, 9), picture->GetPixel(0, 0));
    EXPECT_EQ(screen->GetPixel(11, 10), kOldColor);
    for (int32_t x = 1; x < 10; ++x) // the source column read never grows left to right
        EXPECT_LE(GetRValue(screen->GetPixel(x, 0)), GetRValue(screen->GetPixel(x - 1, 0))) << x;
}
