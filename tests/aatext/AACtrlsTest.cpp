// The fade text control: its timing on the virtual clock, line placement,
// backgrounds, blending, and which changes rebuild the image.
#include "aatext/AACtrls.h"

#include "AATextTestSupport.h"
#include "HeadlessTestSupport.h"
#include "StoredFormSupport.h"
#include "gui/Form.h"

#include <cmath>
#include <random>

namespace saver {
namespace {

using test::BoxGlyphRenderer;
using test::ExpectSameBitmap;
using test::HeadlessApp;
using test::ScopedGlyphRenderer;

// The smallest rectangle holding every pixel that differs from `background`.
Rect InkBounds(const Bitmap& bitmap, TColor background)
{
    Rect ink{bitmap.Width(), bitmap.Height(), 0, 0};
    for (int32_t y = 0; y < bitmap.Height(); ++y)
        for (int32_t x = 0; x < bitmap.Width(); ++x)
            if (bitmap.GetPixel(x, y) != background)
                ink = {std::min(ink.Left, x), std::min(ink.Top, y), std::max(ink.Right, x + 1),
                       std::max(ink.Bottom, y + 1)};
    return ink.Left < ink.Right ? ink : Rect{};
}

bool AllPixels(const Bitmap& bitmap, TColor color) { return InkBounds(bitmap, color) == Rect{}; }

class FadeTextTest : public ::testing::Test {
protected:
    // Box glyphs draw every character as a filled em square, so positions
    // and sizes follow from the font height alone.
    BoxGlyphRenderer glyphs;
    ScopedGlyphRenderer installed{glyphs};
    HeadlessApp app;
    std::unique_ptr<TAAFadeText> text = std::make_unique<TAAFadeText>();

    // Lines in the control's own font, without anti-aliasing, so that ink
    // is exactly the font colour.
    void UsePlainFont(int32_t height = -10)
    {
        text->Text().SetLabelEffect(TLabelEffect::leOnlyALine);
        text->Text().SetQuality(TAAQuality::aqNone);
        text->Font().SetHeight(height);
        text->Font().SetColor(clRed);
    }
    void Load(std::vector<std::string> lines)
    {
        text->Text().Lines().SetStrings(std::move(lines));
        text->Loaded();
    }
    // Between timer ticks, so no tick is due at the moment of looking.
    void RunTo(uint64_t ms) { app.RunUntil(ms); }
};

TEST_F(FadeTextTest, DefaultFadeTakes26TicksFrom10To255)
{
    UsePlainFont();
    Load({"a", "b"});
    ASSERT_TRUE(text->FadeTimer().Enabled());
    std::vector<int> positions;
    for (uint64_t t = 12; t < 1000; t += 25) {
        RunTo(t);
        if (positions.empty() || positions.back() != text->FadePosition())
            positions.push_back(text->FadePosition());
    }
    std::vector<int> expected{0};
    for (int k = 1; k <= 25; ++k)
        expected.push_back(10 * k);
    expected.push_back(255);
    EXPECT_EQ(positions, expected);
    EXPECT_FALSE(text->FadeTimer().Enabled());
}

TEST_F(FadeTextTest, ANewLineEvery3000MsForever)
{
    UsePlainFont();
    Load({"a", "b"});
    const std::vector<std::pair<uint64_t, int>> expected{{2990, 0}, {3010, 1}, {5990, 1}, {6010, 0}, {9010, 1}};
    for (const auto& [t, line] : expected) {
        RunTo(t);
        EXPECT_EQ(text->LineIndex(), line) << "at " << t << " ms";
    }
    RunTo(60010);
    EXPECT_TRUE(text->Active());
    EXPECT_EQ(text->CurrentText(), "a");
    EXPECT_EQ(text->CycleCount(), 10);
}

TEST_F(FadeTextTest, OnePassFadesOutToTheBackgroundAndCompletesOnce)
{
    UsePlainFont();
    text->SetRepeatCount(1);
    int completed = 0;
    text->OnComplete = [&](Component* sender) {
        EXPECT_EQ(sender, text.get());
        ++completed;
    };
    Load({"a", "b"});
    RunTo(5990);
    EXPECT_EQ(text->CurrentText(), "b");
    EXPECT_EQ(completed, 0);
    RunTo(6010);
    EXPECT_FALSE(text->Active());
    EXPECT_FALSE(text->LineTimer().Enabled());
    EXPECT_EQ(text->LineIndex(), -1);
    EXPECT_EQ(completed, 1);
    RunTo(20000);
    EXPECT_EQ(completed, 1);
    EXPECT_EQ(text->FadePosition(), 255);
    EXPECT_TRUE(AllPixels(text->ShownImage(), clWhite));
    // Switching on again starts from the first line.
    text->SetActive(true);
    EXPECT_EQ(text->CurrentText(), "a");
    EXPECT_EQ(text->LineIndex(), 0);
}

TEST_F(FadeTextTest, EmptyLinesShowOnlyTheBackground)
{
    UsePlainFont();
    Load({});
    RunTo(7010);
    EXPECT_EQ(text->LineIndex(), -1);
    EXPECT_FALSE(text->FadeTimer().Enabled());
    ASSERT_EQ(text->ShownImage().Width(), 240);
    EXPECT_TRUE(AllPixels(text->ShownImage(), clWhite));
}

TEST_F(FadeTextTest, LineOfOnlyTagsShowsOnlyTheBackground)
{
    AddDefaultUserLabels(text->Labels());
    UsePlainFont();
    Bitmap image(PixelFormat::pf24bit);
    text->RenderLine("<Center><Right>", image);
    EXPECT_TRUE(AllPixels(image, clWhite));
}

struct DelayCase {
    uint32_t LineDelay;
    uint32_t FadeDelay;
    uint32_t ExpectedLineDelay;
    uint32_t ExpectedFadeDelay;
};

class DelayClamp : public ::testing::TestWithParam<DelayCase> {};

TEST_P(DelayClamp, FadeLeaves200MsOfEachLineAndAtLeast50)
{
    HeadlessApp app;
    TAAFadeText text;
    text.Text().SetLineDelay(GetParam().LineDelay);
    text.Text().SetFadeDelay(GetParam().FadeDelay);
    EXPECT_EQ(text.Text().FadeDelay(), GetParam().ExpectedFadeDelay);
    EXPECT_EQ(text.Text().LineDelay(), GetParam().ExpectedLineDelay);
    EXPECT_EQ(text.LineTimer().Interval(), GetParam().ExpectedLineDelay);
}

INSTANTIATE_TEST_SUITE_P(Delays, DelayClamp,
                         ::testing::Values(DelayCase{3000, 5000, 3000, 2800}, // fade capped by the line
                                           DelayCase{300, 600, 800, 600},     // line raised above the fade
                                           DelayCase{3000, 10, 3000, 50},     // fade floor
                                           DelayCase{3200, 3000, 3200, 3000}));

// Ticks of one fade, counted on the virtual clock until the timer stops.
int CountFadeTicks(HeadlessApp& app, TAAFadeText& text)
{
    int ticks = 0;
    int last = text.FadePosition();
    for (uint64_t t = app.Backend->Now() + 12; text.FadeTimer().Enabled(); t += 25) {
        app.RunUntil(t);
        if (text.FadePosition() != last)
            ++ticks;
        last = text.FadePosition();
        if (ticks > 1000)
            break;
    }
    return ticks;
}

TEST_F(FadeTextTest, FadeDelay3000StepsBy2In128Ticks)
{
    UsePlainFont();
    text->Text().SetLineDelay(10000); // no new line during the fade
    text->Text().SetFadeDelay(3000);
    Load({"a"});
    RunTo(37);
    EXPECT_EQ(text->Text().FadeDelay(), 3000u);
    EXPECT_EQ(text->FadePosition(), 2);
    EXPECT_EQ(CountFadeTicks(app, *text), 127); // and the first one seen above
}

// A fade delay above 6375 ms would give a step of 0: the fade still ends,
// one position per tick.
TEST_F(FadeTextTest, VerySlowFadeStillAdvances)
{
    UsePlainFont();
    text->Text().SetLineDelay(60000);
    text->Text().SetFadeDelay(20000);
    Load({"a"});
    EXPECT_EQ(CountFadeTicks(app, *text), 255);
    EXPECT_EQ(text->FadePosition(), 255);
}

// Seeded random images of `width` x `height`.
void RandomImage(Bitmap& bitmap, int32_t width, int32_t height, uint32_t seed)
{
    std::mt19937 random(seed);
    bitmap.SetPixelFormat(PixelFormat::pf24bit);
    bitmap.SetSize(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t i = 0; i < width * 3; ++i)
            bitmap.ScanLine(y)[i] = uint8_t(random());
}

TEST(BlendImages, EndsCopyExactlyAndTheMiddleHalvesTowardsMinusInfinity)
{
    Bitmap from, to, dest(PixelFormat::pf24bit);
    RandomImage(from, 13, 7, 1);
    RandomImage(to, 11, 9, 2);
    TAAFadeText::BlendImages(dest, from, to, 0);
    ExpectSameBitmap(dest, from);
    TAAFadeText::BlendImages(dest, from, to, 255);
    ExpectSameBitmap(dest, to);
    TAAFadeText::BlendImages(dest, from, to, 128);
    ASSERT_EQ(dest.Width(), 11);
    ASSERT_EQ(dest.Height(), 7);
    for (int32_t y = 0; y < 7; ++y)
        for (int32_t i = 0; i < 11 * 3; ++i) {
            const int f = from.ScanLine(y)[i], t = to.ScanLine(y)[i];
            const int expected = f + int(std::floor((t - f) / 2.0));
            ASSERT_EQ(dest.ScanLine(y)[i], expected) << "row " << y << " byte " << i;
        }
}

TEST_F(FadeTextTest, ResizingRebuildsAtTheNewSizeAndKeepsTheFadePosition)
{
    UsePlainFont();
    Load({"a"});
    RunTo(10 * 25 + 12);
    ASSERT_EQ(text->FadePosition(), 100);
    text->SetBounds(0, 0, 100, 20);
    EXPECT_EQ(text->FadePosition(), 100);
    EXPECT_EQ(text->ShownImage().Width(), 100);
    EXPECT_EQ(text->ShownImage().Height(), 20);
    Bitmap expected(PixelFormat::pf24bit);
    TAAFadeText::BlendImages(expected, text->FromImage(), text->ToImage(), 100);
    ExpectSameBitmap(text->ShownImage(), expected);
    // From the bare background towards "a", centred in the new size.
    EXPECT_EQ(InkBounds(text->ToImage(), clWhite), Rect::FromSize(45, 5, 10, 10));
    EXPECT_TRUE(AllPixels(text->FromImage(), clWhite));
}

struct PlacementCase {
    TAlignment Alignment;
    TTextLayout Layout;
    Point Expected; // top-left of "ab" (20 x 10) in a 100 x 31 control
};

class Placement : public FadeTextTest, public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(Placement, AlignmentAndLayoutPlaceTheMeasuredBox)
{
    UsePlainFont();
    text->Text().SetAlignment(GetParam().Alignment);
    text->Text().SetLayout(GetParam().Layout);
    text->SetBounds(0, 0, 100, 31);
    Bitmap image(PixelFormat::pf24bit);
    text->RenderLine("ab", image);
    EXPECT_EQ(InkBounds(image, clWhite), Rect::FromSize(GetParam().Expected.X, GetParam().Expected.Y, 20, 10));
    EXPECT_EQ(image.GetPixel(GetParam().Expected.X, GetParam().Expected.Y), clRed);
}

INSTANTIATE_TEST_SUITE_P(
    AlignmentsAndLayouts, Placement,
    ::testing::Values(PlacementCase{TAlignment::taLeftJustify, TTextLayout::tlTop, {0, 0}},
                      PlacementCase{TAlignment::taRightJustify, TTextLayout::tlTop, {80, 0}},
                      PlacementCase{TAlignment::taCenter, TTextLayout::tlTop, {40, 0}},
                      PlacementCase{TAlignment::taLeftJustify, TTextLayout::tlCenter, {0, 10}},
                      PlacementCase{TAlignment::taCenter, TTextLayout::tlBottom, {40, 21}},
                      PlacementCase{TAlignment::taRightJustify, TTextLayout::tlBottom, {80, 21}}));

TEST_F(FadeTextTest, WiderTextThanTheControlStartsLeftOfIt)
{
    UsePlainFont();
    text->SetBounds(0, 0, 25, 10);
    Bitmap image(PixelFormat::pf24bit);
    text->RenderLine("abcd", image); // 40 wide: x = (25 - 40) / 2 = -7
    EXPECT_EQ(InkBounds(image, clWhite), Rect(0, 0, 25, 10));
    text->Text().SetAlignment(TAlignment::taLeftJustify);
    text->RenderLine("abcd", image);
    EXPECT_EQ(image.GetPixel(24, 5), clRed);
}

TEST_F(FadeTextTest, UntilNextLabelKeepsTheLastTagsFontForUntaggedLines)
{
    TFontLabel* green = text->Fonts().AddFont("Green", "Any", 9, clGreen, fsNone, false, 0, 0);
    ASSERT_NE(green, nullptr);
    text->Text().SetQuality(TAAQuality::aqNone);
    text->Font().SetColor(clRed);
    Bitmap image(PixelFormat::pf24bit);
    text->RenderLine("<Green>a", image);
    const Rect tagged = InkBounds(image, clWhite);
    text->RenderLine("a", image);
    EXPECT_EQ(InkBounds(image, clWhite), tagged);
    EXPECT_EQ(image.GetPixel(tagged.Left, tagged.Top), clGreen);

    text->Text().SetLabelEffect(TLabelEffect::leOnlyALine);
    text->RenderLine("<Green>a", image);
    text->RenderLine("a", image);
    EXPECT_EQ(image.GetPixel(InkBounds(image, clWhite).Left, InkBounds(image, clWhite).Top), clRed);
}

struct BackgroundCase {
    TBackGroundMode Mode;
    Rect Covered; // where the 4 x 4 picture lands in a 10 x 6 control
};

class Background : public FadeTextTest, public ::testing::WithParamInterface<BackgroundCase> {};

TEST_P(Background, PictureIsPlacedByItsMode)
{
    auto picture = std::make_unique<BitmapGraphic>();
    picture->GetBitmap().SetSize(4, 4);
    picture->GetBitmap().GetCanvas().Brush.Color = clBlue;
    picture->GetBitmap().GetCanvas().FillRect({0, 0, 4, 4});
    text->Text().BackGround().SetGraphic(std::move(picture));
    text->Text().SetBackGroundMode(GetParam().Mode);
    text->SetBounds(0, 0, 10, 6);
    Bitmap image(PixelFormat::pf24bit);
    text->RenderLine("", image);
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 10; ++x)
            ASSERT_EQ(image.GetPixel(x, y), GetParam().Covered.Contains({x, y}) ? clBlue : clWhite)
                << "at " << x << ", " << y;
}

INSTANTIATE_TEST_SUITE_P(Modes, Background,
                         ::testing::Values(BackgroundCase{TBackGroundMode::bmTiled, {0, 0, 10, 6}},
                                           BackgroundCase{TBackGroundMode::bmStretched, {0, 0, 10, 6}},
                                           BackgroundCase{TBackGroundMode::bmCenter, {3, 1, 7, 5}},
                                           BackgroundCase{TBackGroundMode::bmNormal, {0, 0, 4, 4}}));

// A windowless control that paints itself in one colour.
class Patch final : public GraphicControl {
public:
    explicit Patch(TColor color) { m_color = color; }

protected:
    void Paint() override
    {
        m_canvas.Brush = {m_color, BrushStyle::bsSolid};
        m_canvas.FillRect(ClientRect());
    }
};

TEST_F(FadeTextTest, LinesUseTheFormsFontUntilTheTextsOwnFontChanges)
{
    Form form;
    form.Font().SetHeight(-20);
    text->SetParent(&form);
    text->Text().SetLabelEffect(TLabelEffect::leOnlyALine);
    text->Text().SetQuality(TAAQuality::aqNone);
    Bitmap image(PixelFormat::pf24bit);
    text->RenderLine("a", image);
    EXPECT_EQ(InkBounds(image, clWhite).Height(), 20);
    EXPECT_TRUE(text->ParentEffect().ParentFont());

    text->Font().SetHeight(-10);
    EXPECT_FALSE(text->ParentEffect().ParentFont());
    form.Font().SetHeight(-30);
    text->RenderLine("a", image);
    EXPECT_EQ(InkBounds(image, clWhite).Height(), 10);
    text->ParentEffect().SetParentFont(true);
    text->RenderLine("a", image);
    EXPECT_EQ(InkBounds(image, clWhite).Height(), 30);
}

TEST_F(FadeTextTest, TransparentShowsTheParentAndTheControlsBelow)
{
    Form form;
    form.SetBounds(0, 0, 60, 40);
    form.SetColor(clBlue);
    Patch below(clGreen);
    below.SetBounds(5, 5, 10, 10);
    below.SetParent(&form);
    text->SetParent(&form);
    text->SetBounds(10, 10, 20, 10);
    Patch above(clRed); // after the text control in z-order: not copied
    above.SetBounds(25, 10, 10, 10);
    above.SetParent(&form);
    text->Text().SetTransparent(true);
    Bitmap image(PixelFormat::pf24bit);
    text->RenderLine("", image);
    // The patch below covers (5..15, 5..15) of the form: (0..5, 0..5) here.
    EXPECT_EQ(InkBounds(image, clBlue), Rect(0, 0, 5, 5));
    EXPECT_EQ(image.GetPixel(0, 0), clGreen);
    EXPECT_FALSE(below.PaintingCopy());
    EXPECT_FALSE(form.PaintingCopy());
}

TEST_F(FadeTextTest, FullPaintRecapturesWhatIsBehindOnEveryPaint)
{
    for (const bool fullPaint : {false, true}) {
        Form form;
        form.SetBounds(0, 0, 60, 40);
        form.SetColor(clBlue);
        Patch below(clGreen);
        below.SetBounds(0, 0, 30, 40);
        below.SetParent(&form);
        TAAFadeText text;
        text.SetParent(&form);
        text.SetBounds(10, 10, 40, 20);
        text.SetActive(false);
        text.Text().SetTransparent(true);
        text.Text().SetFullPaint(fullPaint);
        int painted = 0;
        text.OnPainted = [&](Component*) { ++painted; };
        text.Loaded();
        form.Show();
        app.App->ProcessMessages();
        ASSERT_GT(painted, 0);
        ASSERT_EQ(form.GetSurface().GetPixel(15, 15), clGreen);
        // The patch changes behind the control; only a full paint sees it.
        below.SetColor(clGray);
        app.App->ProcessMessages();
        EXPECT_EQ(form.GetSurface().GetPixel(15, 15), fullPaint ? clGray : clGreen) << "full paint " << fullPaint;
        EXPECT_EQ(form.GetSurface().GetPixel(5, 5), clGray);
        EXPECT_EQ(form.GetSurface().GetPixel(40, 15), clBlue);
        form.DestroyHandle();
    }
}

// Counts rebuilds.
class CountingFadeText final : public TAAFadeText {
public:
    int Resets = 0;

protected:
    void Reset() override
    {
        ++Resets;
        TAAFadeText::Reset();
    }
};

class FadeTextChanges : public ::testing::Test {
protected:
    BoxGlyphRenderer glyphs;
    ScopedGlyphRenderer installed{glyphs};
    HeadlessApp app;
    CountingFadeText text;
};

TEST_F(FadeTextChanges, DroppedUntilLoadedAndInsideUpdatesThenOneRebuildEach)
{
    text.SetActive(false);
    text.Text().SetAlignment(TAlignment::taLeftJustify);
    text.SetBounds(0, 0, 50, 20);
    text.Font().SetColor(clRed);
    EXPECT_EQ(text.Resets, 0) << "not loaded yet";
    text.Loaded();
    EXPECT_EQ(text.Resets, 1) << "loading initialises the control once";
    EXPECT_EQ(text.ShownImage().Width(), 50);

    text.BeginUpdate();
    text.Text().SetAlignment(TAlignment::taRightJustify);
    text.SetBounds(0, 0, 60, 20);
    text.EndUpdate();
    EXPECT_EQ(text.Resets, 1) << "changes inside an update are dropped, and EndUpdate does not rebuild";

    text.Text().SetLayout(TTextLayout::tlTop);
    text.SetColor(clGray);
    text.Font().SetHeight(-9);
    text.Text().FontEffect().SetAlpha(50);
    text.SetBounds(0, 0, 70, 20);
    text.SetBounds(5, 5, 70, 20); // moved, not resized
    EXPECT_EQ(text.Resets, 6);

    text.SetAutoUpdate(false);
    text.Text().SetLayout(TTextLayout::tlBottom);
    text.SetAutoUpdate(true); // at run time switching on does not rebuild either
    text.IncludeState(csLoading);
    text.Text().SetLayout(TTextLayout::tlCenter);
    text.ExcludeState(csLoading);
    EXPECT_EQ(text.Resets, 6);
}

TEST_F(FadeTextChanges, CopyingATextureWhileRenderingDoesNotRenderAgain)
{
    // Every copy of an enabled texture's picture reports a change; rendering
    // copies the font effect for each line.
    text.Text().SetLabelEffect(TLabelEffect::leOnlyALine);
    auto picture = std::make_unique<BitmapGraphic>();
    picture->GetBitmap().SetSize(2, 2);
    text.Text().FontEffect().Texture().GetPicture().SetGraphic(std::move(picture));
    text.Text().FontEffect().Texture().SetEnabled(true);
    text.Text().Lines().SetStrings({"a", "b"});
    text.Loaded();
    EXPECT_EQ(text.Resets, 1);
    app.RunUntil(3010);
    EXPECT_EQ(text.CurrentText(), "b");
    EXPECT_EQ(text.Resets, 1);
}

TEST(FadeTextDefaults, SampleTextDefaultsAndDesignTimeFontSets)
{
    HeadlessApp app;
    TAAFadeText text;
    EXPECT_EQ(text.Width(), 240);
    EXPECT_EQ(text.Height(), 34);
    EXPECT_EQ(text.Color(), clWhite);
    EXPECT_TRUE(text.Active());
    EXPECT_EQ(text.Text().FadeDelay(), 600u);
    EXPECT_EQ(text.Text().LineDelay(), 3000u);
    EXPECT_EQ(text.Text().Alignment(), TAlignment::taCenter);
    EXPECT_EQ(text.Text().Layout(), TTextLayout::tlCenter);
    EXPECT_EQ(text.FadeTimer().Interval(), 25u);
    EXPECT_FALSE(text.FadeTimer().Enabled());
    EXPECT_FALSE(text.LineTimer().Enabled());
    // One of the two samples, so not stored.
    EXPECT_FALSE(text.Text().IsLinesStored());
    const std::string first = text.Text().Lines().Strings(0);
    EXPECT_TRUE(first.starts_with("<Title1><Center>") || first.starts_with("<Center><Title4>")) << first;
    const auto joined = [](int sample) {
        std::string all;
        for (const std::string& line : FadeTextSample(sample))
            all += line;
        return all;
    };
    EXPECT_TRUE(joined(0).starts_with("<Title1><Center>"));
    for (const char* tag : {"<Title2>", "<Title3>", "<Text1>", "<Owner>", "<Organization>"})
        EXPECT_NE(joined(0).find(tag), std::string::npos) << tag;
    EXPECT_TRUE(joined(1).starts_with("<Center><Title4>"));
    for (const char* tag : {"<Text2>", "<Text3>"})
        EXPECT_NE(joined(1).find(tag), std::string::npos) << tag;

    // At design time a sample text brings the default font sets and labels,
    // once; at run time nothing is added.
    text.IncludeState(csDesigning);
    text.SetActive(false);
    text.Loaded();
    EXPECT_EQ(text.Fonts().Count(), 7);
    EXPECT_EQ(text.Fonts().Items(6).Name(), "Text3");
    EXPECT_EQ(text.Labels().Count(), 8);
    text.Fonts().Clear();
    text.Loaded();
    EXPECT_EQ(text.Fonts().Count(), 0);

    TAAFadeText runTime;
    runTime.SetActive(false);
    runTime.Loaded();
    EXPECT_EQ(runTime.Fonts().Count(), 0);
}

// The control from a stored description: every published property is read,
// pictures included, and the loaded control renders its lines as the same
// settings made in code do.
TEST(FadeTextStream, AStoredControlRendersWhatTheSameSettingsInCodeRender)
{
    BoxGlyphRenderer glyphs;
    ScopedGlyphRenderer installed(glyphs);
    Bitmap pattern(6, 4, PixelFormat::pf24bit);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 6; ++x)
            pattern.SetPixel(x, y, RGB(uint8_t(40 * x), uint8_t(60 * y), 200));
    const std::string picture = test::StoredPictureData("TBitmap", test::BmpFile(pattern));
    const auto setPicture = [&](Picture& p) { p.SetGraphic(std::make_unique<BitmapGraphic>(pattern)); };
    using Setting = test::StoredSetting<TAAFadeText>;
    const std::vector<Setting> settings = {
        {"Left = 2", [](TAAFadeText& c) { c.SetBounds(2, c.Top(), c.Width(), c.Height()); }},
        {"Top = 3", [](TAAFadeText& c) { c.SetBounds(c.Left(), 3, c.Width(), c.Height()); }},
        {"Width = 110", [](TAAFadeText& c) { c.SetWidth(110); }},
        {"Height = 40", [](TAAFadeText& c) { c.SetHeight(40); }},
        {"AutoUpdate = True", [](TAAFadeText& c) { c.SetAutoUpdate(true); }},
        {"Active = False", [](TAAFadeText& c) { c.SetActive(false); }},
        {"RepeatCount = 2", [](TAAFadeText& c) { c.SetRepeatCount(2); }},
        {"Hint = 'tip'", [](TAAFadeText& c) { c.Hint = "tip"; }},
        {"ShowHint = True", [](TAAFadeText& c) { c.SetShowHint(true); }},
        {"Font.Name = 'Face'", [](TAAFadeText& c) { c.Font().SetName("Face"); }},
        {"Font.Height = -9", [](TAAFadeText& c) { c.Font().SetHeight(-9); }},
        {"Font.Color = clGreen", [](TAAFadeText& c) { c.Font().SetColor(clGreen); }},
        {"Font.Charset = GB2312_CHARSET", [](TAAFadeText& c) { c.Font().SetCharset(134); }},
        {"ParentEffect.ParentColor = False", [](TAAFadeText& c) { c.ParentEffect().SetParentColor(false); }},
        {"ParentEffect.ParentFont = False", [](TAAFadeText& c) { c.ParentEffect().SetParentFont(false); }},
        {"ParentEffect.ParentShowHint = False",
         [](TAAFadeText& c) { c.ParentEffect().SetParentShowHint(false); }},
        {"Drag.DragKind = 1", [](TAAFadeText& c) { c.Drag().SetDragKind(1); }},
        {"Drag.DragCursor = -13", [](TAAFadeText& c) { c.Drag().SetDragCursor(-13); }},
        {"Drag.DragMode = 1", [](TAAFadeText& c) { c.Drag().SetDragMode(1); }},
        {"Fonts = <\n  item\n    Name = 'Big'\n    Font.Height = -14\n    Font.Color = clBlue\n"
         "    Effect.Shadow.Enabled = True\n    Effect.Texture.Enabled = True\n"
         "    Effect.Texture.Mode = tmStretched\n    Effect.Texture.Picture.Data = " + picture + "\n  end>",
         [&](TAAFadeText& c) {
             c.Fonts().Clear();
             TFontLabel& big = c.Fonts().Add();
             big.SetName("Big");
             big.Font().SetHeight(-14);
             big.Font().SetColor(clBlue);
             big.Effect().Shadow().SetEnabled(true);
             big.Effect().Texture().SetEnabled(true);
             big.Effect().Texture().SetMode(TTextureMode::tmStretched);
             setPicture(big.Effect().Texture().GetPicture());
         }},
        {"Labels = <\n  item\n    Name = 'Mine'\n    Text = 'xyz'\n  end>",
         [](TAAFadeText& c) {
             c.Labels().Clear();
             TUserLabel& mine = c.Labels().Add();
             mine.SetName("Mine");
             mine.SetText("xyz");
         }},
        {"Text.FadeDelay = 400", [](TAAFadeText& c) { c.Text().SetFadeDelay(400); }},
        {"Text.LineDelay = 2000", [](TAAFadeText& c) { c.Text().SetLineDelay(2000); }},
        {"Text.Lines.Strings = ('<Big>Ab <Mine>' 'cd')",
         [](TAAFadeText& c) { c.Text().Lines().SetStrings({"<Big>Ab <Mine>", "cd"}); }},
        {"Text.Transparent = False", [](TAAFadeText& c) { c.Text().SetTransparent(false); }},
        {"Text.Alignment = taRightJustify",
         [](TAAFadeText& c) { c.Text().SetAlignment(TAlignment::taRightJustify); }},
        {"Text.Layout = tlBottom", [](TAAFadeText& c) { c.Text().SetLayout(TTextLayout::tlBottom); }},
        {"Text.Quality = aqLow", [](TAAFadeText& c) { c.Text().SetQuality(TAAQuality::aqLow); }},
        {"Text.FontEffect.Alpha = 70", [](TAAFadeText& c) { c.Text().FontEffect().SetAlpha(70); }},
        {"Text.FontEffect.Gradual.Enabled = True",
         [](TAAFadeText& c) { c.Text().FontEffect().Gradual().SetEnabled(true); }},
        {"Text.FontEffect.Texture.Enabled = True",
         [](TAAFadeText& c) { c.Text().FontEffect().Texture().SetEnabled(true); }},
        {"Text.FontEffect.Texture.Picture.Data = " + picture,
         [&](TAAFadeText& c) { setPicture(c.Text().FontEffect().Texture().GetPicture()); }},
        {"Text.FullPaint = True", [](TAAFadeText& c) { c.Text().SetFullPaint(true); }},
        {"Text.LabelEffect = leOnlyALine",
         [](TAAFadeText& c) { c.Text().SetLabelEffect(TLabelEffect::leOnlyALine); }},
        {"Text.BackColor = 8454143", [](TAAFadeText& c) { c.Text().SetBackColor(8454143); }},
        {"Text.BackGround.Data = " + picture, [&](TAAFadeText& c) { setPicture(c.Text().BackGround()); }},
        {"Text.BackGroundMode = bmTiled",
         [](TAAFadeText& c) { c.Text().SetBackGroundMode(TBackGroundMode::bmTiled); }},
    };
    const ComponentClasses classes = test::FormClasses(RegisterAATextClasses);
    const std::string description = test::OneControlForm("TAAFadeText", settings);

    // Both lines rendered, and the settings that do not show in them.
    struct Rendered {
        std::vector<std::unique_ptr<Bitmap>> Lines;
        std::string Others;
    };
    const auto render = [&](bool stored) {
        HeadlessApp app;
        Form form;
        TAAFadeText* text;
        if (stored) {
            LoadForm(form, ParseDescription(description), classes);
            text = dynamic_cast<TAAFadeText*>(form.FindComponent("Shown"));
        } else {
            text = &static_cast<TAAFadeText&>(form.InsertComponent(std::make_unique<TAAFadeText>()));
            text->SetParent(&form);
            for (const Setting& setting : settings)
                setting.Apply(*text);
            text->Loaded();
        }
        Rendered r;
        if (!text)
            return r;
        for (const std::string& line : text->Text().Lines().Items()) {
            r.Lines.push_back(std::make_unique<Bitmap>(PixelFormat::pf24bit));
            text->RenderLine(line, *r.Lines.back());
        }
        std::ostringstream others;
        others << text->Left() << ' ' << text->Top() << ' ' << text->AutoUpdate() << text->Active() << ' '
               << text->RepeatCount() << ' ' << text->Hint << text->ShowHint() << ' ' << text->Font().Name() << ' '
               << int(text->Font().Charset()) << ' ' << text->ParentEffect().ParentColor()
               << text->ParentEffect().ParentFont() << text->ParentEffect().ParentShowHint() << ' '
               << int(text->Drag().DragKind()) << text->Drag().DragCursor() << int(text->Drag().DragMode()) << ' '
               << text->Text().FadeDelay() << ' ' << text->Text().LineDelay() << ' ' << text->Text().Transparent()
               << text->Text().FullPaint();
        r.Others = others.str();
        return r;
    };
    const Rendered stored = render(true), built = render(false);
    EXPECT_EQ(stored.Others, built.Others);
    EXPECT_EQ(built.Others, "2 3 10 2 tip1 Face 134 000 1-131 400 2000 01");
    ASSERT_EQ(stored.Lines.size(), 2u);
    ASSERT_EQ(built.Lines.size(), 2u);
    for (size_t i = 0; i < 2; ++i)
        ExpectSameBitmap(*stored.Lines[i], *built.Lines[i]);
    // The tiled background picture shows around the text.
    EXPECT_EQ(built.Lines[1]->GetPixel(0, 0), pattern.GetPixel(0, 0));
}

} // namespace
} // namespace saver
