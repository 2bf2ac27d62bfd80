#include "gui/Button.h"
#include "gui/Form.h"
#include "HeadlessTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace saver;
using saver::test::HeadlessApp;

namespace {

HeadlessBackend::Options Screen(int32_t w, int32_t h)
{
    HeadlessBackend::Options options;
    options.Screen = {w, h};
    return options;
}

// A 400 by 300 screen with scripted input.
HeadlessBackend::Options Scripted(const char* script)
{
    HeadlessBackend::Options options = Screen(400, 300);
    options.Script = ParseInputScript(script);
    return options;
}

class KeyForm final : public Form {
public:
    KeyForm()
    {
        KeyPreview = true;
        OnKeyDown = [this](Component*, uint16_t& key, uint32_t) {
            FormKeys.push_back(key);
            if (key == 'X')
                key = 0; // swallowed by the form
        };
    }
    std::vector<uint16_t> FormKeys;
};

} // namespace

TEST(Button, ReleasedSpaceKeyClicks)
{
    HeadlessApp h;
    Form form;
    Button button;
    button.SetParent(&form);
    button.SetVisible(false); // hidden buttons still take sent keys
    int clicks = 0;
    button.OnClick = [&](Component*) { ++clicks; };

    h.App->SendMessage(button.Handle(), WM_KEYUP, VK_SPACE, 1);
    EXPECT_EQ(clicks, 0) << "a release without a press is no click";
    h.App->SendMessage(button.Handle(), WM_KEYDOWN, VK_SPACE, 1);
    EXPECT_EQ(clicks, 0);
    h.App->SendMessage(button.Handle(), WM_KEYUP, VK_SPACE, 1);
    EXPECT_EQ(clicks, 1);
    h.App->SendMessage(button.Handle(), WM_KEYDOWN, VK_RETURN, 1);
    h.App->SendMessage(button.Handle(), WM_KEYUP, VK_RETURN, 1);
    EXPECT_EQ(clicks, 1);
}

TEST(KeyPreview, TheFormSeesAChildsKeysFirstAndMaySwallowThem)
{
    HeadlessApp h;
    KeyForm form;
    Button button;
    button.SetParent(&form);
    std::vector<uint16_t> buttonKeys;
    button.OnKeyDown = [&](Component*, uint16_t& key, uint32_t) { buttonKeys.push_back(key); };
    h.App->SendMessage(button.Handle(), WM_KEYDOWN, 'A');
    h.App->SendMessage(button.Handle(), WM_KEYDOWN, 'X');
    EXPECT_EQ(form.FormKeys, (std::vector<uint16_t>{'A', 'X'}));
    EXPECT_EQ(buttonKeys, (std::vector<uint16_t>{'A'}));
}

TEST(Align, ClientAlignedChildFillsWhatTheOthersLeave)
{
    HeadlessApp h;
    Form form;
    form.SetBounds(0, 0, 300, 200);
    WinControl top, fill;
    top.SetHeight(30);
    top.SetAlign(Align::alTop);
    top.SetParent(&form);
    fill.SetAlign(Align::alClient);
    fill.SetParent(&form);
    EXPECT_EQ(fill.BoundsRect(), Rect(0, 30, 300, 200));
    form.SetBounds(0, 0, 640, 480);
    EXPECT_EQ(top.BoundsRect(), Rect(0, 0, 640, 30));
    EXPECT_EQ(fill.BoundsRect(), Rect(0, 30, 640, 480));
}

TEST(Painting, ChildrenPaintOverTheirParentAndHiddenOnesDoNot)
{
    HeadlessApp h(Screen(200, 100));
    Form form;
    form.SetBounds(0, 0, 200, 100);
    form.SetColor(clWhite);
    WinControl red, hidden;
    red.SetBounds(10, 10, 50, 20);
    red.SetColor(clRed);
    red.SetParent(&form);
    hidden.SetBounds(100, 10, 50, 20);
    hidden.SetColor(clBlue);
    hidden.SetVisible(false);
    hidden.SetParent(&form);
    form.Show();
    h.App->ProcessMessages();

    const Bitmap& screen = h.Backend->Screen();
    EXPECT_EQ(screen.GetPixel(0, 0), clWhite);
    EXPECT_EQ(screen.GetPixel(10, 10), clRed);
    EXPECT_EQ(screen.GetPixel(59, 29), clRed);
    EXPECT_EQ(screen.GetPixel(60, 29), clWhite) << "right edge is exclusive";
    EXPECT_EQ(screen.GetPixel(120, 20), clWhite);

    hidden.SetVisible(true);
    red.SetVisible(false);
    h.App->ProcessMessages();
    EXPECT_EQ(screen.GetPixel(120, 20), clBlue);
    EXPECT_EQ(screen.GetPixel(10, 10), clWhite);
}

TEST(Painting, UpdatePaintsSynchronouslyAndOnlyWhatIsMarked)
{
    HeadlessApp h(Screen(100, 100));
    Form form;
    form.SetBounds(0, 0, 100, 100);
    form.SetColor(clBlack);
    form.Show();
    h.App->ProcessMessages();
    EXPECT_FALSE(form.GetUpdateRect());

    form.SetColor(clWhite); // invalidates
    Rect marked;
    ASSERT_TRUE(form.GetUpdateRect(&marked));
    EXPECT_EQ(marked, Rect(0, 0, 100, 100));
    form.Update();
    EXPECT_FALSE(form.GetUpdateRect());
    EXPECT_EQ(h.Backend->Screen().GetPixel(50, 50), clWhite);
}

TEST(Painting, MaximizedFormCoversTheScreenAndGetsResized)
{
    HeadlessApp h(Screen(320, 240));
    Form form;
    form.State = WindowState::wsMaximized;
    std::vector<Rect> resizes;
    form.OnResize = [&](Component*) { resizes.push_back(form.BoundsRect()); };
    form.Show();
    EXPECT_EQ(form.BoundsRect(), Rect(0, 0, 320, 240));
    EXPECT_EQ(resizes, (std::vector<Rect>{Rect(0, 0, 320, 240)}));
}

TEST(Input, MouseMessagesGoToTheWindowUnderTheCursorInClientCoordinates)
{
    HeadlessApp h(Scripted("cursor 5 5\n"
                           "at 100 mousemove 130 70\n"
                           "at 200 lbutton\n"
                           "at 300 rbutton\n"
                           "at 400 key 65\n"));
    Form form;
    form.SetBounds(0, 0, 400, 300);
    WinControl child;
    child.SetBounds(100, 50, 100, 100);
    child.SetParent(&form);
    form.Show();
    struct Seen {
        HWND Hwnd;
        uint32_t Msg;
        int X, Y;
        Point Pt;
    };
    std::vector<Seen> seen;
    h.App->OnMessage = [&](Message& m, bool&) {
        if (m.Msg != WM_PAINT && m.Msg != WM_TIMER)
            seen.push_back({m.Hwnd, m.Msg, LoWord(m.LParam), HiWord(m.LParam), m.Pt});
    };
    EXPECT_EQ(h.Backend->GetCursorPos(), Point(5, 5));
    h.RunUntil(500);
    ASSERT_EQ(seen.size(), 7u);
    EXPECT_EQ(seen[0].Hwnd, child.Handle());
    EXPECT_EQ(seen[0].Msg, WM_MOUSEMOVE);
    EXPECT_EQ(seen[0].X, 30);
    EXPECT_EQ(seen[0].Y, 20);
    EXPECT_EQ(seen[0].Pt, Point(130, 70));
    EXPECT_EQ(h.Backend->GetCursorPos(), Point(130, 70));
    EXPECT_EQ(seen[1].Msg, WM_LBUTTONDOWN);
    EXPECT_EQ(seen[2].Msg, WM_LBUTTONUP);
    EXPECT_EQ(seen[3].Msg, WM_RBUTTONDOWN);
    EXPECT_EQ(seen[4].Msg, WM_RBUTTONUP);
    EXPECT_EQ(seen[5].Msg, WM_KEYDOWN);
    EXPECT_EQ(seen[5].Hwnd, form.Handle()) << "keys go to the focused window";
    EXPECT_EQ(seen[6].Msg, WM_KEYUP);
}

TEST(ParentFont, FollowsTheParentUntilTheControlsOwnFontChanges)
{
    HeadlessApp h;
    Form form;
    WinControl panel;
    GraphicControl label;
    form.Font().SetHeight(-20);
    panel.SetParent(&form);
    label.SetParent(&panel);
    EXPECT_EQ(label.Font().Height(), -20) << "parenting takes the parent's font";
    EXPECT_TRUE(label.ParentFont());

    form.Font().SetName("Arial");
    EXPECT_EQ(label.Font().Name(), "Arial") << "through the panel, which follows its parent too";
    EXPECT_TRUE(panel.ParentFont());

    label.Font().SetColor(clRed);
    EXPECT_FALSE(label.ParentFont());
    form.Font().SetHeight(-30);
    EXPECT_EQ(panel.Font().Height(), -30);
    EXPECT_EQ(label.Font().Height(), -20) << "an own font no longer follows";

    label.SetParentFont(true);
    EXPECT_EQ(label.Font().Height(), -30);
    EXPECT_EQ(label.Font().Color(), panel.Font().Color());
}

TEST(ParentShowHint, FollowsTheParentUntilShowHintIsSet)
{
    HeadlessApp h;
    Form form;
    WinControl panel;
    GraphicControl label;
    panel.SetParent(&form);
    form.SetShowHint(true);
    label.SetParent(&panel);
    EXPECT_TRUE(panel.ShowHint());
    EXPECT_TRUE(label.ShowHint());
    EXPECT_TRUE(label.ParentShowHint());

    label.SetShowHint(true); // unchanged: still the parent's
    EXPECT_TRUE(label.ParentShowHint());
    label.SetShowHint(false);
    EXPECT_FALSE(label.ParentShowHint());
    form.SetShowHint(false);
    form.SetShowHint(true);
    EXPECT_FALSE(label.ShowHint());
    label.SetParentShowHint(true);
    EXPECT_TRUE(label.ShowHint());
}

namespace {

// Records the framework's crossing notifications under a name.
template <class Base>
class Crossings final : public Base {
public:
    Crossings(std::vector<std::string>& log, std::string name) : m_log(log), m_name(std::move(name)) {}

protected:
    void DefaultHandler(Message& message) override
    {
        if (message.Msg == CM_MOUSEENTER)
            m_log.push_back("enter " + m_name);
        else if (message.Msg == CM_MOUSELEAVE)
            m_log.push_back("leave " + m_name);
        Base::DefaultHandler(message);
    }

private:
    std::vector<std::string>& m_log;
    std::string m_name;
};

} // namespace

TEST(MouseCrossing, OnlyTheInnermostControlIsInsideAndHidingAParentLeavesItsChild)
{
    HeadlessApp h(Scripted("at 10 mousemove 10 10\n"
                           "at 20 mousemove 110 60\n"
                           "at 30 mousemove 130 80\n"
                           "at 40 mousemove 119 69\n"
                           "at 50 mousemove 120 70\n"));
    std::vector<std::string> log;
    Crossings<Form> form(log, "form");
    form.SetBounds(0, 0, 400, 300);
    Crossings<WinControl> panel(log, "panel");
    panel.SetBounds(100, 50, 200, 200);
    panel.SetParent(&form);
    Crossings<GraphicControl> label(log, "label");
    label.SetBounds(20, 20, 50, 50);
    label.SetParent(&panel);
    form.Show();
    h.RunUntil(60);
    EXPECT_EQ(log, (std::vector<std::string>{"enter form", "leave form", "enter panel", "leave panel", "enter label",
                                             "leave label", "enter panel", "leave panel", "enter label"}));
    log.clear();
    panel.SetVisible(false);
    EXPECT_EQ(log, (std::vector<std::string>{"leave label", "enter form"}));
}

TEST(Input, MouseInputOnACoverIsTheCoveredWindowsWhereverItLies)
{
    // A move or press beside the only window is nobody's; the same input on
    // a backend's cover of another display is that window's.
    HeadlessApp h(Screen(100, 100));
    Form form;
    form.SetBounds(0, 0, 100, 100);
    form.Show();
    h.App->ProcessMessages();
    std::vector<std::pair<uint32_t, HWND>> hooked;
    h.App->OnMessage = [&](Message& m, bool&) { hooked.emplace_back(m.Msg, m.Hwnd); };
    h.App->MouseMoved({150, 50});
    h.App->MouseButton(WM_LBUTTONDOWN, {150, 50});
    h.App->MouseOn(form.Handle(), WM_MOUSEMOVE, {160, 50});
    h.App->MouseOn(form.Handle(), WM_LBUTTONDOWN, {160, 50});
    h.App->ProcessMessages();
    const std::vector<std::pair<uint32_t, HWND>> expected{{WM_MOUSEMOVE, form.Handle()},
                                                          {WM_LBUTTONDOWN, form.Handle()}};
    EXPECT_EQ(hooked, expected);
}
