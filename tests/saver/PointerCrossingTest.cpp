// The pointer entering and leaving the transition control and the fade text
// control on one form, driven by scripted pointer paths on the headless
// backend.
#include "aatext/AACtrls.h"
#include "gui/Form.h"
#include "transitions/PicShow.h"

#include "HeadlessTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace saver {
namespace {

using test::HeadlessApp;

HeadlessBackend::Options Scripted(const std::string& script)
{
    HeadlessBackend::Options options;
    options.Screen = {400, 300};
    options.Script = ParseInputScript(script);
    return options;
}

// A 360 by 260 form at the screen's top-left corner: the transition control
// on its left half, the fade text control at (250, 100) on the right.
struct CrossingForm {
    CrossingForm()
    {
        form.SetBounds(0, 0, 360, 260);
        pics.SetAutoSize(false);
        pics.SetBounds(0, 0, 180, 260);
        pics.SetParent(&form);
        text.SetActive(false);
        text.SetBounds(250, 100, 100, 34);
        text.SetParent(&form);
        pics.OnMouseEnter = [this](Component*) { log.push_back("enter pics"); };
        pics.OnMouseLeave = [this](Component*) { log.push_back("leave pics"); };
        pics.OnMouseMove = [this](Component*, uint32_t, int32_t, int32_t) { log.push_back("move pics"); };
        text.OnMouseEnter = [this](Component*) { log.push_back("enter text"); };
        text.OnMouseLeave = [this](Component*) { log.push_back("leave text"); };
        form.Show();
    }
    Form form;
    TPicShow pics;
    TAAFadeText text;
    std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST(PointerCrossing, EnterOnceLeaveOnceAndLeaveBeforeEnter)
{
    HeadlessApp h(Scripted("cursor 300 20\n"
                           "at 10 mousemove 50 50\n"
                           "at 20 mousemove 60 70\n"
                           "at 30 mousemove 179 70\n"
                           "at 40 mousemove 260 110\n"
                           "at 50 mousemove 349 133\n"
                           "at 60 mousemove 350 133\n"
                           "at 70 mousemove 100 100\n"
                           "at 80 mousemove 380 280\n"));
    CrossingForm f;
    h.RunUntil(45);
    EXPECT_EQ(f.log, (Log{"enter pics", "move pics", "move pics", "move pics", "leave pics", "enter text"}));
    f.log.clear();
    h.RunUntil(65);
    EXPECT_EQ(f.log, (Log{"leave text"})) << "(350, 133) is past the text's right edge";
    f.log.clear();
    h.RunUntil(90);
    EXPECT_EQ(f.log, (Log{"enter pics", "move pics", "leave pics"})) << "moving off every window leaves too";
}

TEST(PointerCrossing, HidingTheControlUnderThePointerLeavesIt)
{
    HeadlessApp h(Scripted("at 10 mousemove 260 110\nat 20 mousemove 270 120\nat 30 mousemove 275 120\n"));
    CrossingForm f;
    h.RunUntil(15);
    ASSERT_EQ(f.log, (Log{"enter text"}));
    f.text.SetVisible(false);
    EXPECT_EQ(f.log, (Log{"enter text", "leave text"}));
    EXPECT_EQ(h.App->MouseControl(), &f.form) << "the form under the pointer is entered";
    h.RunUntil(40);
    EXPECT_EQ(f.log.size(), 2u) << "a hidden control is not entered again";
    f.pics.SetVisible(false); // not under the pointer: nothing to report
    EXPECT_EQ(f.log.size(), 2u);
}

TEST(PointerCrossing, DisabledControlsCountAndDestroyingTheWindowLeavesThem)
{
    HeadlessApp h(Scripted("at 10 mousemove 20 20\n"));
    CrossingForm f;
    f.pics.SetEnabled(false);
    h.RunUntil(15);
    EXPECT_EQ(f.log, (Log{"enter pics"})) << "entered though disabled; its mouse events stay off";
    f.form.DestroyHandle();
    EXPECT_EQ(f.log, (Log{"enter pics", "leave pics"}));
    EXPECT_EQ(h.App->MouseControl(), nullptr);
}

TEST(PointerCrossing, AControlDestroyedUnderThePointerIsForgotten)
{
    HeadlessApp h(Scripted("at 10 mousemove 260 110\nat 20 mousemove 100 100\n"));
    CrossingForm f;
    auto gone = std::make_unique<TAAFadeText>();
    gone->SetBounds(200, 100, 100, 34); // on top of the other text control
    gone->SetParent(&f.form);
    int gains = 0;
    gone->OnMouseEnter = [&](Component*) { ++gains; };
    h.RunUntil(15);
    EXPECT_EQ(gains, 1);
    EXPECT_TRUE(f.log.empty()) << "the topmost windowless control alone is entered";
    gone.reset();
    EXPECT_EQ(h.App->MouseControl(), nullptr);
    h.RunUntil(25);
    EXPECT_EQ(f.log, (Log{"enter pics", "move pics"}));
}

} // namespace
} // namespace saver
