#include "gdi/Bitmap.h"
#include "gdi/Canvas.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

using namespace saver;

TEST(Bitmap, RowsAreBottomUpAndPaddedToFourBytes)
{
    Bitmap b(3, 2, PixelFormat::pf24bit);
    EXPECT_EQ(b.Stride(), 12u); // 9 bytes of pixels, padded
    // The top row lives last in memory.
    EXPECT_EQ(b.ScanLine(0) - b.ScanLine(1), 12);
    b.SetPixel(2, 0, RGB(1, 2, 3));
    EXPECT_EQ(b.ScanLine(0)[6], 3); // blue first
    EXPECT_EQ(b.ScanLine(0)[8], 1);
    EXPECT_EQ(RowStride(5, PixelFormat::pf8bit), 8u);
    EXPECT_EQ(RowStride(5, PixelFormat::pf32bit), 20u);
}

TEST(Bitmap, RowAccessOutsideTheBitmapThrows)
{
    Bitmap b(4, 4, PixelFormat::pf32bit);
    EXPECT_THROW((void)b.ScanLine(4), std::exception);
    EXPECT_THROW((void)b.ScanLine(-1), std::exception);
    EXPECT_THROW((void)b.GetPixel(4, 0), std::exception);
}

TEST(Bitmap, AbsurdSizesAreRefusedBeforeAllocating)
{
    Bitmap b(PixelFormat::pf32bit);
    EXPECT_THROW(b.SetSize(-1, 10), std::exception);
    EXPECT_THROW(b.SetSize(10, -1), std::exception);
    EXPECT_THROW(b.SetSize(Bitmap::kMaxDimension + 1, 1), std::exception);
    EXPECT_THROW(b.SetSize(1, INT32_MAX), std::exception);
    EXPECT_EQ(b.Width(), 0) << "a refused size leaves the bitmap as it was";
}

class FormatSwitch : public testing::TestWithParam<PixelFormat> {};

TEST_P(FormatSwitch, KeepsThePicture)
{
    Bitmap b(5, 3, PixelFormat::pf24bit);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x)
            b.SetPixel(x, y, RGB(uint8_t(x * 50), uint8_t(y * 80), uint8_t(x + y)));
    b.SetPixelFormat(GetParam());
    b.SetPixelFormat(PixelFormat::pf24bit);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x)
            ASSERT_EQ(b.GetPixel(x, y), RGB(uint8_t(x * 50), uint8_t(y * 80), uint8_t(x + y))) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatSwitch, testing::Values(PixelFormat::pf32bit, PixelFormat::pfDevice));

TEST(Bitmap, EightBitFormatHoldsGreyLevels)
{
    Bitmap b(2, 1, PixelFormat::pf24bit);
    b.SetPixel(0, 0, RGB(200, 200, 200));
    b.SetPixel(1, 0, RGB(255, 0, 0));
    b.SetPixelFormat(PixelFormat::pf8bit);
    EXPECT_EQ(b.GetPixel(0, 0), RGB(200, 200, 200));
    EXPECT_EQ(b.ScanLine(0)[1], 77) << "red becomes its luminance";
}

TEST(Canvas, FillAndDrawStayInsideClipAndTarget)
{
    Bitmap target(10, 10, PixelFormat::pf32bit);
    Canvas& c = target.GetCanvas();
    c.SetOrigin({2, 2});
    c.SetDeviceClip(Rect{0, 0, 4, 4});
    c.Brush.Color = clWhite;
    c.FillRect({-100, -100, 100, 100});
    EXPECT_EQ(target.GetPixel(1, 1), clBlack);
    EXPECT_EQ(target.GetPixel(2, 2), clWhite);
    EXPECT_EQ(target.GetPixel(5, 5), clWhite);
    EXPECT_EQ(target.GetPixel(6, 6), clBlack);

    Bitmap source(3, 3, PixelFormat::pf24bit);
    source.GetCanvas().Brush.Color = clRed;
    source.GetCanvas().FillRect({0, 0, 3, 3});
    c.SetOrigin({0, 0});
    c.SetDeviceClip(std::nullopt);
    c.Draw(8, -1, source); // hangs off the right and top
    EXPECT_EQ(target.GetPixel(9, 0), clRed);
    EXPECT_EQ(target.GetPixel(8, 1), clRed);
    EXPECT_EQ(target.GetPixel(8, 2), clBlack);
}

TEST(Canvas, StateSaverPutsEverythingBackAlsoWhenDrawingFails)
{
    Bitmap first(4, 4, PixelFormat::pf24bit), second(4, 4, PixelFormat::pf24bit);
    Canvas c(&first);
    c.SetOrigin({1, 2});
    c.Font.Name = "Arial";
    const Region clip = Region::CreateRectRgn(0, 0, 2, 2);
    c.SelectClipRgn(&clip);
    try {
        const CanvasStateSaver saved(c);
        c.SetTarget(&second);
        c.SetOrigin({0, 0});
        c.SetDeviceClip(Rect{0, 0, 1, 1});
        c.SelectClipRgn(nullptr);
        c.SetStretchBltMode(StretchMode::COLORONCOLOR);
        c.Brush = {clRed, BrushStyle::bsClear};
        c.Pen = {clBlue, 3, PenStyle::psDot};
        c.Font.Name = "Courier New";
        c.Font.Height = 40;
        throw std::runtime_error("drawing failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(c.Target(), &first);
    EXPECT_EQ(c.Origin().X, 1);
    EXPECT_EQ(c.Origin().Y, 2);
    EXPECT_FALSE(c.DeviceClip().has_value());
    ASSERT_TRUE(c.ClipRegion().has_value());
    const auto rects = c.ClipRegion()->Rects();
    EXPECT_EQ(std::vector<Rect>(rects.begin(), rects.end()), (std::vector<Rect>{Rect{0, 0, 2, 2}}));
    EXPECT_EQ(c.GetStretchBltMode(), StretchMode::BLACKONWHITE);
    EXPECT_EQ(c.Brush.Color, clWhite);
    EXPECT_EQ(c.Brush.Style, BrushStyle::bsSolid);
    EXPECT_EQ(c.Pen.Color, clBlack);
    EXPECT_EQ(c.Pen.Width, 1);
    EXPECT_EQ(c.Pen.Style, PenStyle::psSolid);
    EXPECT_EQ(c.Font.Name, "Arial");
    EXPECT_EQ(c.Font.Height, -11);
}
