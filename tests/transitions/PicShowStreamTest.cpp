// The transition control from a stored description: every published
// property is read, and the loaded control shows what the same settings
// made in code show.
#include "transitions/PicShow.h"

#include "HeadlessTestSupport.h"
#include "StoredFormSupport.h"
#include "gdi/Canvas.h"
#include "gdi/Jpeg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

namespace saver {
namespace {

using test::StoredPictureData;
using test::StoredSetting;

// Two colours in quarters, so a misplaced picture shows.
std::unique_ptr<Bitmap> Quarters(int32_t w, int32_t h, TColor a, TColor b)
{
    auto bitmap = std::make_unique<Bitmap>(w, h, PixelFormat::pf24bit);
    Canvas& canvas = bitmap->GetCanvas();
    canvas.Brush.Color = a;
    canvas.FillRect({0, 0, w, h});
    canvas.Brush.Color = b;
    canvas.FillRect({0, 0, w / 2, h / 2});
    canvas.FillRect({w / 2, h / 2, w, h});
    return bitmap;
}

struct Shown {
    std::vector<TColor> Pixels;
    std::tuple<bool, bool, bool, bool, bool, bool, bool, bool, bool, int, int, int, int, int, int, bool, bool, int> Settings;
};

Shown ShowHalfway(const ComponentClasses* classes, const std::string& text,
                  const std::vector<StoredSetting<TPicShow>>& settings)
{
    test::HeadlessApp h;
    Form form;
    TPicShow* show;
    if (classes) {
        LoadForm(form, ParseDescription(text), *classes);
        show = dynamic_cast<TPicShow*>(form.FindComponent("Shown"));
    } else {
        form.SetClientSize(120, 90);
        show = &static_cast<TPicShow&>(form.InsertComponent(std::make_unique<TPicShow>()));
        show->SetParent(&form);
        for (const StoredSetting<TPicShow>& setting : settings)
            setting.Apply(*show);
    }
    EXPECT_NE(show, nullptr);
    if (!show)
        return {};
    form.Show();
    h.App->ProcessMessages();
    show->Execute();
    show->SetProgress(50);
    h.App->ProcessMessages();
    Shown shown;
    for (int32_t y = 0; y < form.ClientHeight(); ++y)
        for (int32_t x = 0; x < form.ClientWidth(); ++x)
            shown.Pixels.push_back(h.Backend->Screen().GetPixel(x, y));
    shown.Settings = {show->AutoSize(),     show->Center(),   show->Stretch(), show->StretchFine(),
                      show->OverDraw(),     show->Threaded(), show->Manual(),  show->Reverse(),
                      show->Enabled(),      show->Style(),    show->Step(),    show->Delay(),
                      int(show->BgMode()), int(show->GetThreadPriority()), int(show->Color()),
                      show->ShowHint(),     show->ParentShowHint(), int(show->Hint.size())};
    show->Stop();
    return shown;
}

TEST(PicShowStream, AStoredControlShowsWhatTheSameSettingsInCodeShow)
{
    const std::vector<uint8_t> jpeg = EncodeJpeg(*Quarters(40, 30, clWhite, clBlue));
    const std::unique_ptr<Bitmap> tile = Quarters(12, 8, clGreen, clTeal);
    const std::vector<StoredSetting<TPicShow>> settings = {
        {"AutoSize = False", [](TPicShow& c) { c.SetAutoSize(false); }},
        {"Left = 6", [](TPicShow& c) { c.SetBounds(6, c.Top(), c.Width(), c.Height()); }},
        {"Top = 4", [](TPicShow& c) { c.SetBounds(c.Left(), 4, c.Width(), c.Height()); }},
        {"Width = 100", [](TPicShow& c) { c.SetWidth(100); }},
        {"Height = 80", [](TPicShow& c) { c.SetHeight(80); }},
        {"Align = alNone", [](TPicShow& c) { c.SetAlign(Align::alNone); }},
        {"Visible = True", [](TPicShow& c) { c.SetVisible(true); }},
        {"Enabled = False", [](TPicShow& c) { c.SetEnabled(false); }},
        {"ShowHint = True", [](TPicShow& c) { c.SetShowHint(true); }},
        {"ParentShowHint = False", [](TPicShow& c) { c.SetParentShowHint(false); }},
        {"Hint = 'Next picture'", [](TPicShow& c) { c.Hint = "Next picture"; }},
        {"ParentColor = False", [](TPicShow& c) { c.SetParentColor(false); }},
        {"Color = clRed", [](TPicShow& c) { c.SetColor(clRed); }},
        {"Picture.Data = " + StoredPictureData("TJPEGImage", jpeg),
         [&](TPicShow& c) { c.GetPicture().SetGraphic(std::make_unique<JpegGraphic>(jpeg)); }},
        {"BgPicture.Data = " + StoredPictureData("TBitmap", test::BmpFile(*tile)),
         [&](TPicShow& c) { c.GetBgPicture().SetGraphic(std::make_unique<BitmapGraphic>(*tile)); }},
        {"BgMode = bmCentered", [](TPicShow& c) { c.SetBgMode(TBackgroundMode::bmCentered); }},
        {"Center = True", [](TPicShow& c) { c.SetCenter(true); }},
        {"Stretch = True", [](TPicShow& c) { c.SetStretch(true); }},
        {"StretchFine = True", [](TPicShow& c) { c.SetStretchFine(true); }},
        {"OverDraw = False", [](TPicShow& c) { c.SetOverDraw(false); }},
        {"Threaded = False", [](TPicShow& c) { c.SetThreaded(false); }},
        {"ThreadPriority = tpLower", [](TPicShow& c) { c.SetThreadPriority(ThreadPriority::tpLower); }},
        {"Manual = True", [](TPicShow& c) { c.SetManual(true); }},
        {"Style = 85", [](TPicShow& c) { c.SetStyle(85); }},
        {"Step = 7", [](TPicShow& c) { c.SetStep(7); }},
        {"Delay = 15", [](TPicShow& c) { c.SetDelay(15); }},
        {"Reverse = True", [](TPicShow& c) { c.SetReverse(true); }},
    };
    const ComponentClasses classes = test::FormClasses(RegisterPicShowClass);
    const std::string text = test::OneControlForm("TPicShow", settings);
    const Shown stored = ShowHalfway(&classes, text, settings);
    const Shown built = ShowHalfway(nullptr, text, settings);
    EXPECT_EQ(stored.Settings, built.Settings);
    ASSERT_EQ(stored.Pixels.size(), built.Pixels.size());
    EXPECT_TRUE(stored.Pixels == built.Pixels) << "the stored control shows other pixels";
    // Not two empty screens: the red background, the tile's teal and the
    // picture's blue (near blue, the picture is a JPEG) are all there.
    const auto shows = [&](auto match) { return std::any_of(built.Pixels.begin(), built.Pixels.end(), match); };
    EXPECT_TRUE(shows([](TColor c) { return c == clRed; }));
    EXPECT_TRUE(shows([](TColor c) { return c == clTeal; }));
    EXPECT_TRUE(shows([](TColor c) { return (c >> 16 & 0xFF) > 200 && (c & 0xFF) < 60; }));
}

} // namespace
} // namespace saver
