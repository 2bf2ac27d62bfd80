// Blinds, the rectangular shred, sweeps, rectangles and the turning shapes,
// checked as pixel masks of real frames or as regions.

#include "RegionTestSupport.h"
#include "core/Error.h"
#include "transitions/effects/BlindsAndSweeps.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <utility>

using namespace saver;
using namespace saver::test;

namespace {

constexpr double kPi = std::numbers::pi;

bool In(int32_t v, int32_t from, int32_t to) { return v >= from && v < to; }

// A frame whose every pixel is known.
struct WorkedFrame {
    const char* Name;
    TShowStyle Style;
    int32_t W, H;
    uint32_t Progress, Step;
    bool (*Expected)(int32_t x, int32_t y);
};

const WorkedFrame kWorkedFrames[] = {
    // 400 x 300 at Step 4: StepLength 18, pitch 22, strips at 0 to 396.
    {"BlindVertically", 136, 400, 300, 50, 4, [](int32_t x, int32_t) { return x % 22 < 11; }},
    {"UnevenFromLeftAt10", 138, 400, 300, 10, 4, [](int32_t x, int32_t) { return x % 40 < 4; }},
    {"UnevenFromLeftAt50", 138, 400, 300, 50, 4, [](int32_t x, int32_t) { return x % 200 < 100; }},
    // Pitch 180, fill 81: right edges 400, 220 and 40, the last strip
    // starting at -41.
    {"UnevenFromRightLastStripPartlyLeft", 139, 400, 300, 45, 4,
     [](int32_t x, int32_t) { return x < 40 || In(x, 139, 220) || x >= 319; }},
    // Pitch 200: the third strip ends at 0 and lies wholly left.
    {"UnevenFromRightLastStripWhollyLeft", 139, 400, 300, 50, 4,
     [](int32_t x, int32_t) { return In(x, 100, 200) || x >= 300; }},
    // Bands on pitch 300 div 18 = 16 centred at 8, 24, ..., d 4, with the
    // blinds from the left.
    {"RectanglesFromLeft", 145, 400, 300, 50, 4,
     [](int32_t x, int32_t y) { return In(y % 16, 4, 12) || x % 200 < 100; }},
    // 100 x 74 about (200, 150) turned 90 degrees: 74 wide, 100 high.
    {"RotationalRectangle", 149, 400, 300, 25, 4,
     [](int32_t x, int32_t y) { return In(x, 163, 237) && In(y, 100, 200); }},
    // Step 100: StepLength 444 is longer than either side, so the pitch is
    // the whole side and the blind wipes.
    {"BlindVerticallyPitch0", 136, 400, 300, 50, 100, [](int32_t x, int32_t) { return x < 200; }},
    {"BlindHorizontallyPitch0", 137, 400, 300, 50, 100, [](int32_t, int32_t y) { return y < 150; }},
    // 40 x 30 at Step 1: StepLength 0. Blinds wipe, bands open from the
    // middle (pitch 30, d 7), the shred grid is one cell (rectangles
    // 20 x 16 about the corners at 25: PW 10, PH 8).
    {"BlindStepLength0", 136, 40, 30, 50, 1, [](int32_t x, int32_t) { return x < 20; }},
    {"RectanglesStepLength0", 145, 40, 30, 50, 1,
     [](int32_t x, int32_t y) { return In(y, 8, 22) || x % 20 < 10; }},
    {"ShredStepLength0", 142, 40, 30, 25, 1,
     [](int32_t x, int32_t y) { return (x < 10 || x >= 30) && (y < 8 || y >= 22); }},
    // PW 0 (landscape under 50 wide at 1) and PH 0 (1000 x 10 at 1): the
    // growing pitch is 0 and nothing shows yet, from either end.
    {"UnevenFromLeftPW0", 138, 40, 30, 1, 4, [](int32_t, int32_t) { return false; }},
    {"UnevenFromBottomPH0", 141, 1000, 10, 1, 4, [](int32_t, int32_t) { return false; }},
    // 400 x 300 at Step 4: N 9, cells 44 x 33, PW' 200 div 18 = 11 and
    // PH' 150 div 18 = 8.
    {"RectangularShred", 142, 400, 300, 50, 4,
     [](int32_t x, int32_t y) { return (x + 11) % 44 < 22 && (y + 8) % 33 < 16; }},
};

class BlindsAndSweepsFrames : public testing::TestWithParam<WorkedFrame> {};

} // namespace

TEST_P(BlindsAndSweepsFrames, CoverExactlyTheirPixels)
{
    const WorkedFrame& f = GetParam();
    ExpectMask(RevealMask(f.Style, f.W, f.H, f.Progress, f.Step), f.Expected);
}

INSTANTIATE_TEST_SUITE_P(WorkedExamples, BlindsAndSweepsFrames, testing::ValuesIn(kWorkedFrames),
                         [](const testing::TestParamInfo<WorkedFrame>& info) { return std::string(info.param.Name); });

TEST(BlindsAndSweeps, TurnedStylesAreTransposed)
{
    // 300 x 400 gives the same StepLength, PW and PH swapped, as 400 x 300.
    const std::pair<TShowStyle, TShowStyle> pairs[] = {{136, 137}, {138, 140}, {139, 141}, {145, 147}, {146, 148}};
    for (const auto& [rows, columns] : pairs)
        for (const uint32_t progress : {7u, 45u, 93u}) {
            SCOPED_TRACE(testing::Message() << unsigned(rows) << " and " << unsigned(columns) << " at " << progress);
            const Mask wide = RevealMask(rows, 400, 300, progress);
            ExpectMask(RevealMask(columns, 300, 400, progress), [&](int32_t x, int32_t y) { return wide.At(y, x); });
        }
}

TEST(BlindsAndSweeps, SweepsCoverTheirSector)
{
    // About (200, 150), radius 250 (the corners lie on the circle): the
    // sector starts straight up and spans (Progress - 1) x 3.6 degrees.
    for (const TShowStyle style : {TShowStyle{143}, TShowStyle{144}})
        for (const uint32_t progress : {25u, 90u}) {
            SCOPED_TRACE(testing::Message() << unsigned(style) << " at " << progress);
            const double turn = style == 143 ? 1 : -1;
            ExpectShape(RevealMask(style, 400, 300, progress), [&](double x, double y) {
                double degrees = std::atan2(turn * (x - 200), 150 - y) * 180 / kPi;
                return (degrees < 0 ? degrees + 360 : degrees) < (progress - 1) * 3.6 &&
                       std::hypot(x - 200, y - 150) < 250;
            });
        }
    // At 25 the last arc point is 86.4 degrees clockwise of up: nothing left
    // of the vertical through the centre, the right edge covered down to
    // just above the horizontal.
    const Mask quarter = RevealMask(143, 400, 300, 25);
    for (int32_t y = 0; y < 300; ++y)
        for (int32_t x = 0; x < 200; ++x)
            ASSERT_FALSE(quarter.At(x, y)) << x << ", " << y;
    EXPECT_TRUE(quarter.At(399, 130));
    EXPECT_FALSE(quarter.At(399, 145));

    // At 1 the polygon is the centre and one arc point.
    EXPECT_TRUE(CreateSweepRegion(200, 150, 250, -kPi / 2, kPi / 50 - kPi / 2, 1).IsEmpty());
    EXPECT_EQ(RevealMask(143, 400, 300, 1).Count(), 0u);
    EXPECT_TRUE(CreateSweepRegion(200, 150, 250, 0, kPi, 0).IsEmpty());
    EXPECT_THROW((void)CreateSweepRegion(0, 0, 10, 0, kPi, int32_t(Region::kMaxPolygonPoints)), Exception);
}

TEST(BlindsAndSweeps, StarTurnsAboutTheCentre)
{
    // 400 x 300 at 25: tips 200 sideways and 150 up and down, inner corners
    // 50 by 37 from (200, 150), all turned 90 degrees: tips at x 50 and 350
    // and beyond the top and bottom, inner corners 37 by 50.
    const Mask star = RevealMask(150, 400, 300, 25);
    EXPECT_TRUE(star.At(200, 150) && star.At(60, 150) && star.At(340, 150) && star.At(200, 1) && star.At(200, 298));
    EXPECT_FALSE(star.At(45, 150) || star.At(355, 150) || star.At(0, 0) || star.At(399, 299));
    EXPECT_FALSE(star.At(150, 100) || star.At(250, 200)) << "beyond the inner corners";
    EXPECT_TRUE(star.At(170, 100) && star.At(230, 200));
}

TEST(BlindsAndSweeps, RotatePointsRoundsTiesToEven)
{
    // An angle whose cosine is exactly 1/2 puts x on halves.
    long double angle = std::acos(0.5L);
    for (int i = 0; i < 8 && std::cos(angle) != 0.5L; ++i)
        angle = std::nextafter(angle, 2.0L);
    ASSERT_EQ(std::cos(angle), 0.5L);
    std::array<Point, 5> points{{{11, 20}, {13, 20}, {15, 20}, {9, 20}, {100, 100}}};
    RotatePoints(points, 3, 10, 20, angle);
    // x: 0.5, 1.5, 2.5, -0.5 round to 0, 2, 2, 0; y: 0.87, 2.6, 4.3, -0.87.
    const std::array<Point, 5> expected{{{10, 21}, {12, 23}, {12, 24}, {10, 19}, {100, 100}}};
    EXPECT_EQ(points, expected) << "the point past LastIndex stays";
}

TEST(BlindsAndSweeps, LargestFramesStayBounded)
{
    const int32_t side = Bitmap::kMaxDimension;
    // Pitch 10813, fill 3568: right edges 32768 down to 329, the last strip
    // reaching 3239 left of the frame.
    const Region right = BlindsAndSweepsRegion(139, CalcProgressMetrics({0, 0, side, side}, 1, 33), 33);
    EXPECT_EQ(right.Box(), (Rect{-3239, 0, side, side}));
    // Pitch 90 at Step 1: 365 strips, the last one at 32760.
    EXPECT_EQ(BlindsAndSweepsRegion(136, CalcProgressMetrics({0, 0, side, side}, 1, 50), 50).Rects().size(), 365u);
    // At Step 45 the shred grid is 8193 x 8193 separate rectangles: refused.
    EXPECT_THROW((void)BlindsAndSweepsRegion(142, CalcProgressMetrics({0, 0, side, side}, 45, 99), 99), Exception);
    EXPECT_TRUE(BlindsAndSweepsRegion(136, CalcProgressMetrics({0, 0, side + 1, 10}, 4, 50), 50).IsEmpty());
}
