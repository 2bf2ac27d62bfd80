// Text effects: shadow placement and opacity, fills, noise, and the change
// chain of the effect objects.
#include "aatext/AAFont.h"

#include "AATextTestSupport.h"

namespace saver {
namespace {

using test::BoxGlyphRenderer;
using test::ExpectSameBitmap;
using test::FillTarget;
using test::ScopedGlyphRenderer;

// Box glyphs at aqHigh: every text pixel is fully covered, so colours come
// out exactly.
class AAFontExTest : public ::testing::Test {
protected:
    AAFontExTest() : m_installed(m_renderer)
    {
        FillTarget(Target, 30, 24, clWhite);
        Font.Mask().SetQuality(TAAQuality::aqHigh);
        Target.GetCanvas().Font.Height = -10;
        Target.GetCanvas().Font.Color = clBlack;
    }

    BoxGlyphRenderer m_renderer;
    ScopedGlyphRenderer m_installed;
    Bitmap Target;
    TAAFontEx Font{&Target.GetCanvas()};
};

TEST_F(AAFontExTest, ShadowOffsetsPlaceTextAndShadowInsideTheMeasuredBox)
{
    TAAShadow& shadow = Font.Effect().Shadow();
    shadow.SetEnabled(true);
    shadow.SetOffsetX(-2);
    shadow.SetOffsetY(3);
    shadow.SetBlur(0);
    shadow.SetAlpha(100);
    shadow.SetColor(clRed);
    EXPECT_EQ(Font.TextWidth("a"), 12);
    EXPECT_EQ(Font.TextHeight("a"), 13);

    Font.TextOut(5, 4, "a");
    // Text at (7, 4), 10 x 10; shadow at (5, 7).
    EXPECT_EQ(Target.GetPixel(7, 4), clBlack);
    EXPECT_EQ(Target.GetPixel(16, 13), clBlack);
    EXPECT_EQ(Target.GetPixel(5, 7), clRed);
    EXPECT_EQ(Target.GetPixel(14, 16), clRed);
    EXPECT_EQ(Target.GetPixel(6, 4), clWhite);
    EXPECT_EQ(Target.GetPixel(15, 15), clWhite);
    EXPECT_EQ(Target.GetPixel(17, 4), clWhite);
    EXPECT_EQ(Target.GetCanvas().Brush.Style, BrushStyle::bsSolid) << "brush style restored";
}

TEST_F(AAFontExTest, EffectAlphaScalesTheShadowAlpha)
{
    Font.Effect().SetAlpha(50);
    TAAShadow& shadow = Font.Effect().Shadow();
    shadow.SetEnabled(true);
    shadow.SetOffsetX(3);
    shadow.SetOffsetY(0);
    shadow.SetBlur(0);
    shadow.SetColor(clBlack); // alpha stays at its default 70
    Font.TextOut(0, 0, "a");
    // Shadow alone at 35: a = 89, t = 88, 255 + floor(-255 * 88 / 256).
    EXPECT_EQ(Target.GetPixel(11, 5), RGB(167, 167, 167));
    // Text at 50 (t = 127) over that shadow, and over the white box.
    EXPECT_EQ(Target.GetPixel(5, 5), RGB(84, 84, 84));
    EXPECT_EQ(Target.GetPixel(1, 5), RGB(128, 128, 128));
}

TEST_F(AAFontExTest, EnabledTextureWithoutAGraphicFallsThroughToTheGradient)
{
    TAAGradual& gradual = Font.Effect().Gradual();
    gradual.SetEnabled(true);
    gradual.SetStartColor(clRed);
    gradual.SetEndColor(clBlue);
    Font.TextOut(0, 0, "a");
    Bitmap expected;
    expected.Assign(Target);
    EXPECT_EQ(expected.GetPixel(0, 3), clRed);
    EXPECT_EQ(expected.GetPixel(9, 3), clBlue);
    EXPECT_EQ(expected.GetPixel(3, 3), RGB(170, 0, 85)); // 255 * 3 / 9 = 85 of the way

    Font.Effect().Texture().SetEnabled(true);
    FillTarget(Target, 30, 24, clWhite);
    Font.TextOut(0, 0, "a");
    ExpectSameBitmap(Target, expected);

    Font.Effect().Texture().GetPicture().SetGraphic(std::make_unique<BitmapGraphic>());
    FillTarget(Target, 30, 24, clWhite);
    Font.TextOut(0, 0, "a");
    ExpectSameBitmap(Target, expected);
}

TEST_F(AAFontExTest, TiledTextureCoversTheFill)
{
    Bitmap tile(3, 2, PixelFormat::pf24bit);
    tile.SetPixel(0, 0, clGreen);
    TAATexture& texture = Font.Effect().Texture();
    texture.GetPicture().SetGraphic(std::make_unique<BitmapGraphic>(tile));
    texture.SetEnabled(true);
    Font.TextOut(0, 0, "a");
    EXPECT_EQ(Target.GetPixel(0, 0), clGreen);
    EXPECT_EQ(Target.GetPixel(9, 8), clGreen); // the tile copy at (9, 8), clipped
    EXPECT_EQ(Target.GetPixel(1, 0), clBlack);
}

TEST_F(AAFontExTest, GradientRoundsHalvesToEven)
{
    // Three columns from 0 to 253: the middle is 126.5, so 126; back from
    // 253: 253 - 126.5 gives 127.
    Font.Mask().SetSize(3, 2);
    TAAGradual& gradual = Font.Effect().Gradual();
    gradual.SetEnabled(true);
    gradual.SetStartColor(RGB(0, 253, 0));
    gradual.SetEndColor(RGB(253, 0, 0));
    Font.BuildGradient();
    EXPECT_EQ(Font.Blend().ForeBitmap().GetPixel(1, 1), RGB(126, 127, 0));

    gradual.SetStyle(TGradualStyle::gsBottomToTop);
    Font.Mask().SetSize(2, 3);
    Font.BuildGradient();
    EXPECT_EQ(Font.Blend().ForeBitmap().GetPixel(1, 2), RGB(0, 253, 0)) << "start colour at the bottom";
    EXPECT_EQ(Font.Blend().ForeBitmap().GetPixel(0, 0), RGB(253, 0, 0));
}

TEST_F(AAFontExTest, NoiseOneIsTheFontColour)
{
    Target.GetCanvas().Font.Color = RGB(10, 200, 30);
    Font.Effect().SetNoise(1);
    Font.TextOut(0, 0, "ab");
    const Bitmap& fore = Font.Blend().ForeBitmap();
    ASSERT_EQ(fore.Width(), 20) << "the noise path built the fill";
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 20; ++x) {
            ASSERT_EQ(fore.GetPixel(x, y), RGB(10, 200, 30));
            ASSERT_EQ(Target.GetPixel(x, y), RGB(10, 200, 30));
        }
}

TEST_F(AAFontExTest, NoiseStaysWithinItsRange)
{
    Target.GetCanvas().Font.Color = RGB(100, 1, 254);
    Font.Effect().SetNoise(8);
    Font.Mask().SetSize(20, 10);
    Font.BuildNoise();
    const Bitmap& fore = Font.Blend().ForeBitmap();
    bool varied = false;
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 20; ++x) {
            const TColor c = fore.GetPixel(x, y);
            ASSERT_GE(GetRValue(c), 96);
            ASSERT_LE(GetRValue(c), 103);
            ASSERT_LE(GetGValue(c), 4); // 1 - 4 clamps at 0
            ASSERT_GE(GetBValue(c), 250);
            varied = varied || GetRValue(c) != GetRValue(fore.GetPixel(0, 0));
        }
    EXPECT_TRUE(varied);
}

TEST(AAEffectTest, DisabledPartsReportOnlyTheirSwitching)
{
    int reports = 0;
    TAAEffect effect([&](TPersistent* sender) {
        EXPECT_NE(sender, nullptr);
        ++reports;
    });
    effect.Shadow().SetColor(clRed);
    EXPECT_EQ(reports, 0);
    effect.Shadow().SetEnabled(true);
    EXPECT_EQ(reports, 1);
    effect.Shadow().SetColor(clRed);
    EXPECT_EQ(reports, 1) << "unchanged value";
    effect.Shadow().SetColor(clBlue);
    EXPECT_EQ(reports, 2);
    effect.Shadow().SetEnabled(false);
    EXPECT_EQ(reports, 3);

    // A copy reports only through an enabled texture's picture.
    TAAEffect source;
    source.SetAlpha(40);
    effect.Assign(source);
    EXPECT_EQ(reports, 3);
    EXPECT_EQ(effect.Alpha(), 40);
    source.Texture().SetEnabled(true);
    effect.Assign(source);
    EXPECT_EQ(reports, 4);
    effect.SetShadow(source.Shadow());
    EXPECT_EQ(reports, 5);
}

TEST(AAEffectTest, Defaults)
{
    const TAAEffect effect;
    EXPECT_EQ(effect.Alpha(), 100);
    EXPECT_EQ(effect.Blur(), 0);
    EXPECT_FALSE(effect.Shadow().Enabled());
    EXPECT_EQ(effect.Shadow().Blur(), 80);
    EXPECT_EQ(effect.Shadow().Alpha(), 70);
    EXPECT_EQ(effect.Shadow().Color(), TColor(4473924));
    EXPECT_EQ(effect.Shadow().OffsetX(), 2);
    EXPECT_EQ(effect.Gradual().StartColor(), clWhite);
    EXPECT_EQ(effect.Gradual().EndColor(), clBlack);
    EXPECT_EQ(effect.Texture().Mode(), TTextureMode::tmTiled);
}

} // namespace
} // namespace saver
