// The preview window: what its stored description sets up, and the banner
// it shows inside the host window during a preview run.
#include "saver/Unitprewin.h"

#include "HeadlessTestSupport.h"
#include "saver/SaverHead.h"

#include <gtest/gtest.h>

namespace saver {
namespace {

using test::HeadlessApp;

TEST(PreviewWindow, DesignTimeSettings)
{
    HeadlessApp app;
    auto form = Form::Create<TForm2>();
    EXPECT_EQ(form->Name, "Form2");
    EXPECT_EQ(form->Caption, "Form2");
    EXPECT_EQ(form->FormBorderStyle, BorderStyle::bsNone);
    EXPECT_EQ(form->Color(), clWhite);
    EXPECT_EQ(form->ClientWidth(), 165);
    EXPECT_EQ(form->ClientHeight(), 139);

    TAAFadeText* text = form->AAFadeText1;
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Parent(), form.get());
    EXPECT_EQ(text->BoundsRect(), Rect::FromSize(0, 24, 145, 34));
    EXPECT_FALSE(text->ParentColor());
    EXPECT_TRUE(text->IsLoaded());
    EXPECT_TRUE(text->Active());
    EXPECT_EQ(text->Text().Lines().Items(),
              (std::vector<std::string>{"<Title2><Center>Zentavo", "<Title1><Center>Orlith"}));
    EXPECT_EQ(text->Text().FadeDelay(), 600u);
    EXPECT_EQ(text->Text().LineDelay(), 3000u);
    // Loading started the first line.
    EXPECT_EQ(text->LineIndex(), 0);
    EXPECT_TRUE(text->FadeTimer().Enabled());

    const std::vector<std::pair<std::string, TLabelStyle>> labels{
        {"Left", TLabelStyle::lsLeftJustify}, {"Center", TLabelStyle::lsCenter},
        {"Right", TLabelStyle::lsRightJustify}, {"Owner", TLabelStyle::lsRegOwner},
        {"Organization", TLabelStyle::lsRegOrganization}, {"AppTitle", TLabelStyle::lsAppTitle},
        {"Date", TLabelStyle::lsDate}, {"Time", TLabelStyle::lsTime}};
    ASSERT_EQ(text->Labels().Count(), int32_t(labels.size()));
    for (size_t i = 0; i < labels.size(); ++i) {
        EXPECT_EQ(text->Labels().Items(int32_t(i)).Name(), labels[i].first);
        EXPECT_EQ(text->Labels().Items(int32_t(i)).Style(), labels[i].second) << labels[i].first;
    }
}

struct FontSetRow {
    const char* Name;
    const char* Face;
    int32_t Height;
    TColor Color;
    uint32_t Style;
    bool Shadow;
    int OffsetX, OffsetY;
    bool Gradual;
    TGradualStyle GradualStyle;
    TColor StartColor, EndColor;
    int Blur;
    bool Outline;
};

void PrintTo(const FontSetRow& row, std::ostream* os) { *os << row.Name; }

class PreviewFontSet : public ::testing::TestWithParam<std::pair<int, FontSetRow>> {};

TEST_P(PreviewFontSet, MatchesTheDesign)
{
    HeadlessApp app;
    auto form = Form::Create<TForm2>();
    TFontLabels& fonts = form->AAFadeText1->Fonts();
    ASSERT_EQ(fonts.Count(), 7);
    const auto& [index, row] = GetParam();
    TFontLabel& set = fonts.Items(index);
    EXPECT_EQ(set.Name(), row.Name);
    EXPECT_EQ(set.Font().Name(), row.Face);
    EXPECT_EQ(set.Font().Height(), row.Height);
    EXPECT_EQ(set.Font().Color(), row.Color);
    EXPECT_EQ(set.Font().Style(), row.Style);
    EXPECT_EQ(set.Font().Charset(), 1); // DEFAULT_CHARSET
    const TAAEffect& effect = set.Effect();
    EXPECT_EQ(effect.Shadow().Enabled(), row.Shadow);
    EXPECT_EQ(effect.Shadow().OffsetX(), row.OffsetX);
    EXPECT_EQ(effect.Shadow().OffsetY(), row.OffsetY);
    EXPECT_EQ(effect.Gradual().Enabled(), row.Gradual);
    EXPECT_EQ(effect.Gradual().Style(), row.GradualStyle);
    EXPECT_EQ(effect.Gradual().StartColor(), row.StartColor);
    EXPECT_EQ(effect.Gradual().EndColor(), row.EndColor);
    EXPECT_EQ(effect.Blur(), row.Blur);
    EXPECT_EQ(effect.Outline(), row.Outline);
    EXPECT_EQ(effect.Alpha(), 100);
}

constexpr TGradualStyle kLR = TGradualStyle::gsLeftToRight;
constexpr TColor kWhite = 0xFFFFFF;

INSTANTIATE_TEST_SUITE_P(
    Design, PreviewFontSet,
    ::testing::Values(
        std::pair{0, FontSetRow{"Title1", "黑体", -16, clBlack, fsBold, true, 2, 2, false, kLR, kWhite, 0, 0, false}},
        std::pair{1, FontSetRow{"Title2", "黑体", -12, clBlue, fsBold, true, 1, 1, false, kLR, kWhite, 0, 0, false}},
        std::pair{2, FontSetRow{"Title3", "楷体_GB2312", -15, clBlue, fsNone, true, 2, 2, false, kLR, kWhite, 0, 0,
                                false}},
        std::pair{3, FontSetRow{"Text1", "楷体_GB2312", -12, clBlack, fsNone, false, 1, 1, false, kLR, kWhite, 0, 0,
                                false}},
        std::pair{4, FontSetRow{"Text2", "楷体_GB2312", -11, clTeal, fsNone, true, 1, 1, false, kLR, kWhite, 0, 0,
                                false}},
        // Red 0, green 34, blue 255 to red 255, green 16, blue 34.
        std::pair{5, FontSetRow{"Title4", "隶书", -29, clBlack, fsNone, true, 2, 2, true, kLR, RGB(0, 34, 255),
                                RGB(255, 16, 34), 50, true}},
        std::pair{6, FontSetRow{"Text3", "隶书", -15, clBlue, fsNone, true, 1, 1, true, TGradualStyle::gsTopToBottom,
                                RGB(17, 136, 204), RGB(170, 34, 255), 0, false}}),
    [](const auto& info) { return std::string(info.param.second.Name); });

// ---------------------------------------------------------------------------
// The preview run on the headless backend: the host is as large as the
// screen.

std::unique_ptr<Bitmap> PreviewAt(uint64_t ms, int32_t hostWidth = 200, int32_t hostHeight = 150)
{
    HeadlessBackend::Options options;
    options.Screen = {hostWidth, hostHeight};
    options.RunMs = ms;
    std::ostringstream log;
    HeadlessBackend backend(options, log);
    EXPECT_EQ(SaverMain({"/p", "1234"}, backend), 0) << log.str();
    auto screen = std::make_unique<Bitmap>(PixelFormat::pf32bit);
    screen->Assign(backend.FinalScreen());
    return screen;
}

const Rect kBanner = Rect::FromSize(0, 24, 145, 34);

struct Ink {
    int Outside = 0; // pixels off white outside the banner
    int Inside = 0;  // pixels off white inside it
    int Blue = 0;    // inside, clearly blue
    int Dark = 0;    // inside, dark grey to black
};

Ink CountInk(const Bitmap& screen)
{
    Ink ink;
    for (int32_t y = 0; y < screen.Height(); ++y)
        for (int32_t x = 0; x < screen.Width(); ++x) {
            const TColor c = screen.GetPixel(x, y);
            if (c == clWhite)
                continue;
            if (!kBanner.Contains({x, y})) {
                ++ink.Outside;
                continue;
            }
            ++ink.Inside;
            const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
            if (b > r + 80 && b > g + 80)
                ++ink.Blue;
            if (r < 80 && g < 80 && b < 80)
                ++ink.Dark;
        }
    return ink;
}

TEST(PreviewRun, BannerShowsZentavoThenOrlithCrossFading)
{
    const auto zentavo = PreviewAt(1000);
    const Ink first = CountInk(*zentavo);
    EXPECT_EQ(first.Outside, 0);
    EXPECT_GT(first.Blue, 50) << "Zentavo is blue";
    EXPECT_EQ(first.Dark, 0);

    const auto orlith = PreviewAt(4000);
    const Ink second = CountInk(*orlith);
    EXPECT_EQ(second.Outside, 0);
    EXPECT_EQ(second.Blue, 0);
    EXPECT_GT(second.Dark, 50) << "Orlith is black";

    // Halfway through the second fade both lines show, neither fully.
    const auto between = PreviewAt(3000 + 12 * 25 + 12);
    const Ink mixed = CountInk(*between);
    EXPECT_EQ(mixed.Outside, 0);
    EXPECT_GT(mixed.Blue, 0);
    EXPECT_LT(mixed.Blue, first.Blue);
    EXPECT_GT(mixed.Inside, std::max(first.Inside, second.Inside));

    // The run begins on the bare white window and fades the first line in.
    EXPECT_EQ(CountInk(*PreviewAt(1)).Inside, 0);
}

TEST(PreviewRun, NarrowHostClipsTheBannerAtItsRightEdge)
{
    const auto wide = PreviewAt(1000);
    // 120 pixels cut the banner's blank right end; 70 cut through the word.
    for (const int32_t width : {120, 70}) {
        const auto narrow = PreviewAt(1000, width, 100);
        ASSERT_EQ(narrow->Width(), width);
        int differences = 0;
        for (int32_t y = 0; y < 100; ++y)
            for (int32_t x = 0; x < width; ++x)
                differences += narrow->GetPixel(x, y) != wide->GetPixel(x, y);
        EXPECT_EQ(differences, 0) << "the banner keeps its place and size in a host " << width << " wide";
    }
    int cut = 0;
    for (int32_t y = kBanner.Top; y < kBanner.Bottom; ++y)
        for (int32_t x = 70; x < kBanner.Right; ++x)
            cut += wide->GetPixel(x, y) != clWhite;
    EXPECT_GT(cut, 0) << "part of the word lies beyond 70 pixels";
}

} // namespace
} // namespace saver
