// The one-pass frame composition must give exactly the frame of the plain
// pipeline (old image drawn, then the style's procedure) for every style,
// whatever the frame held before.

#include "transitions/EffectTestSupport.h"

#include "core/Random.h"
#include "gdi/Canvas.h"
#include "gdi/Region.h"
#include "transitions/FrameComposer.h"
#include "transitions/PSEffect.h"

#include <gtest/gtest.h>

#include <string>

namespace saver {
namespace {

using test::MakePicture;
using test::SamePixels;

std::unique_ptr<Bitmap> DeviceCopy(const Bitmap& b)
{
    auto copy = std::make_unique<Bitmap>(b.Width(), b.Height(), PixelFormat::pfDevice);
    copy->GetCanvas().Draw(0, 0, b);
    return copy;
}

// An old image with a pattern of its own, so a pixel taken from the wrong
// place of it shows.
std::unique_ptr<Bitmap> MakePatternedOldImage(int32_t w, int32_t h)
{
    auto b = std::make_unique<Bitmap>(w, h, PixelFormat::pfDevice);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            b->SetPixel(x, y, RGB(uint8_t(x * 5), 0x20, uint8_t(y * 7)));
    return b;
}

struct FrameCase {
    int32_t Width;
    int32_t Height;
};

class ComposeShowFrameTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(ComposeShowFrameTest, GivesThePlainPipelinesFrameForEveryStyle)
{
    const auto [w, h] = GetParam();
    const auto devicePicture = DeviceCopy(*MakePicture(w, h));
    const auto pixelPicture = MakePicture(w, h);
    const auto old = MakePatternedOldImage(w, h);
    const Rect r{0, 0, w, h};
    for (unsigned style = 1; style <= kLastShowStyle; ++style) {
        // As the transition control keeps them: 32-bit pictures and frames
        // for a style that needs them, the device format for the others.
        const bool pixels = StyleNeeds32Bit(style);
        const auto format = pixels ? PixelFormat::pf32bit : PixelFormat::pfDevice;
        const Bitmap* picture = pixels ? pixelPicture.get() : devicePicture.get();
        Bitmap plain(w, h, format), composed(w, h, format);
        for (const uint32_t step : {1u, 4u, 90u}) {
            for (const uint32_t progress : {1u, 9u, 25u, 50u, 73u, 99u}) {
                SetRandSeed(style * 7919u + progress);
                plain.GetCanvas().Draw(0, 0, *old);
                FindShowStyle(style)->Proc(plain, *picture, r, step, progress);
                // Leftovers of an earlier frame must not show through.
                composed.GetCanvas().Brush.Color = RGB(0x12, 0xFE, 0x34);
                composed.GetCanvas().FillRect(r);
                SetRandSeed(style * 7919u + progress);
                ComposeShowFrame(TShowStyle(style), composed, *old, *picture, r, step, progress);
                ASSERT_TRUE(SamePixels(plain, composed))
                    << "style " << style << " step " << step << " progress " << progress << " on " << w << "x" << h;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ComposeShowFrameTest,
                         ::testing::Values(FrameCase{1, 1}, FrameCase{3, 2}, FrameCase{37, 23}, FrameCase{160, 90},
                                           FrameCase{45, 200}),
                         [](const auto& info) {
                             return std::to_string(info.param.Width) + "x" + std::to_string(info.param.Height);
                         });

TEST(ComposeRegionFrame, TakesThePictureInsideTheRegionAndTheOldImageElsewhere)
{
    // 20 pixels wide, every band goes pixel by pixel; 100 wide, piece by piece.
    for (const int32_t width : {20, 100}) {
        const auto picture = DeviceCopy(*MakePicture(width, 10));
        const auto old = MakePatternedOldImage(width, 10);
        Bitmap frame(width, 10, PixelFormat::pfDevice);
        // Bands with one and two pieces, crossing the top and the bottom.
        Region region = Region::CreateRectRgn(-5, 2, 4, 5);
        region.Combine(region, Region::CreateRectRgn(10, 3, 30, 12), CombineMode::Or);
        region.Combine(region, Region::CreateRectRgn(6, -4, 9, 1), CombineMode::Or);
        ComposeRegionFrame(frame, *old, picture.get(), region);
        for (int32_t y = 0; y < 10; ++y)
            for (int32_t x = 0; x < width; ++x) {
                const bool inside = PtInRegion(region, x, y);
                EXPECT_EQ(frame.GetPixel(x, y), (inside ? *picture : *old).GetPixel(x, y)) << x << "," << y;
            }
    }
}

TEST(ComposeRegionFrame, WithoutAPictureLeavesTheInsideAlone)
{
    const auto old = MakePatternedOldImage(8, 8);
    Bitmap frame(8, 8, PixelFormat::pfDevice);
    frame.GetCanvas().Brush.Color = RGB(0x12, 0xFE, 0x34);
    frame.GetCanvas().FillRect({0, 0, 8, 8});
    ComposeRegionFrame(frame, *old, nullptr, Region::CreateRectRgn(2, 2, 5, 6));
    EXPECT_EQ(frame.GetPixel(3, 3), RGB(0x12, 0xFE, 0x34));
    EXPECT_EQ(frame.GetPixel(1, 3), old->GetPixel(1, 3));
    EXPECT_EQ(frame.GetPixel(3, 7), old->GetPixel(3, 7));
}

} // namespace
} // namespace saver
