// Properties every style of the region families of RegionEffects.h keeps on
// real bitmaps, one case per style.

#include "RegionTestSupport.h"
#include "core/Random.h"
#include "gdi/Canvas.h"
#include "transitions/effects/RegionEffects.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

using namespace saver;
using namespace saver::test;

namespace {

constexpr uint8_t kCanary = 0xCD;

class RegionStyleFrames : public testing::TestWithParam<TShowStyle> {
protected:
    [[nodiscard]] TShowStyle Style() const { return GetParam(); }
    [[nodiscard]] const TShowStyleEntry& Row() const { return ShowStyles[Style() - 1]; }
    [[nodiscard]] bool Random() const { return Row().UsesRandom; }
};

std::string StyleCaseName(const testing::TestParamInfo<TShowStyle>& info)
{
    std::string name = "Style" + std::to_string(info.param) + "_";
    for (const char c : ShowStyleName(info.param))
        if (std::isalnum(static_cast<unsigned char>(c)))
            name += c;
    return name;
}

// Fills the unused bytes at the end of every row.
void PadRows(Bitmap& b)
{
    const size_t used = size_t(b.Width()) * BitsPerPixel(b.GetPixelFormat()) / 8;
    for (int32_t y = 0; y < b.Height(); ++y)
        std::fill(b.ScanLine(y) + used, b.ScanLine(y) + b.Stride(), kCanary);
}

bool PaddingIntact(const Bitmap& b)
{
    const size_t used = size_t(b.Width()) * BitsPerPixel(b.GetPixelFormat()) / 8;
    for (int32_t y = 0; y < b.Height(); ++y)
        if (std::any_of(b.ScanLine(y) + used, b.ScanLine(y) + b.Stride(), [](uint8_t v) { return v != kCanary; }))
            return false;
    return true;
}

} // namespace

TEST_P(RegionStyleFrames, ShowsThePictureExactlyInsideItsRegionAndTouchesNothingElse)
{
    ASSERT_NE(Row().RegionOf, nullptr);
    struct Size2 {
        int32_t W, H;
    };
    // Odd widths leave padding at the end of each 24-bit row for canaries.
    // 44 x 10 at Step 1 has StepLength 0.
    for (const Size2 size : {Size2{1, 1}, Size2{1, 2}, Size2{2, 1}, Size2{3, 7}, Size2{7, 3}, Size2{5, 5},
                             Size2{44, 10}, Size2{45, 31}, Size2{97, 61}, Size2{251, 13}, Size2{13, 251}})
        for (const uint32_t step : {1u, 4u, 100u})
            for (const uint32_t progress : {1u, 50u, 99u}) {
                SCOPED_TRACE(testing::Message() << size.W << 'x' << size.H << " step " << step << " progress "
                                                << progress);
                const Rect frame{0, 0, size.W, size.H};
                const auto picture = MakePicture(size.W, size.H);
                auto screen = MakeOldImage(size.W, size.H);
                PadRows(*screen);
                Canvas& canvas = screen->GetCanvas();
                canvas.SetStretchBltMode(StretchMode::COLORONCOLOR);

                SetRandSeed(progress * 1000 + step);
                const Region region = Row().RegionOf(Style(), CalcProgressMetrics(frame, step, progress), progress);
                SetRandSeed(progress * 1000 + step);
                Row().Proc(*screen, *picture, frame, step, progress);

                EXPECT_TRUE(PaddingIntact(*screen));
                EXPECT_FALSE(canvas.ClipRegion().has_value());
                EXPECT_EQ(canvas.GetStretchBltMode(), StretchMode::COLORONCOLOR);
                int failures = 0;
                for (int32_t y = 0; y < size.H; ++y)
                    for (int32_t x = 0; x < size.W; ++x) {
                        const TColor expected = region.Contains({x, y}) ? picture->GetPixel(x, y) : kOldColor;
                        if (screen->GetPixel(x, y) != expected && failures++ < 3)
                            ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex
                                          << screen->GetPixel(x, y) << ", expected " << expected;
                    }
            }
}

TEST_P(RegionStyleFrames, RevealsLittleAtTheStartAndMostAtTheEnd)
{
    SetRandSeed(3);
    EXPECT_LT(RevealMask(Style(), 160, 120, 1).Count(), 160u * 120u / 2);
    EXPECT_GT(RevealMask(Style(), 160, 120, 99).Count(), 160u * 120u / 2);
}

TEST_P(RegionStyleFrames, OnlyTheShredsDrawFromTheGeneratorAndASeedRepeatsTheirFrame)
{
    SetRandSeed(5);
    const Mask first = RevealMask(Style(), 160, 120, 50);
    const bool drew = RandSeed() != 5;
    SetRandSeed(5);
    const Mask again = RevealMask(Style(), 160, 120, 50);
    SetRandSeed(6);
    const Mask otherSeed = RevealMask(Style(), 160, 120, 50);
    EXPECT_EQ(drew, Random());
    EXPECT_EQ(first.New, again.New);
    EXPECT_EQ(first.New != otherSeed.New, Random());
}

INSTANTIATE_TEST_SUITE_P(RegionStyles, RegionStyleFrames,
                         testing::ValuesIn(StylesWhere([](const TShowStyleEntry& row) {
                             using enum StyleFamily;
                             return row.Family == Curved || row.Family == Bars || row.Family == Shreds ||
                                    row.Family == CrissCross || row.Family == Diagonal;
                         })),
                         StyleCaseName);
