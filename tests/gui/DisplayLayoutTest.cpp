#include "gui/DisplayLayout.h"

#include <gtest/gtest.h>

using namespace saver;

TEST(DisplayLayout, FlaggedPrimaryWinsWhereverItIsListed)
{
    // The primary display second in the list, a third display left of and
    // above the others (negative origin).
    const Rect left = Rect::FromSize(-1280, -200, 1280, 1024);
    const Rect main = Rect::FromSize(0, 0, 1920, 1080);
    const Rect right = Rect::FromSize(1920, 0, 1920, 1080);
    const DisplayPlacement p = PlaceDisplays({{right, false}, {main, true}, {left, false}});
    EXPECT_EQ(p.Primary, main);
    EXPECT_EQ(p.Covers, (std::vector<Rect>{right, left}));
}

TEST(DisplayLayout, WithoutAFlagTheFirstUsableDisplayIsPrimary)
{
    const Rect a = Rect::FromSize(-640, 0, 640, 480);
    const Rect b = Rect::FromSize(0, 0, 800, 600);
    const DisplayPlacement p = PlaceDisplays({{Rect{}, false}, {a, false}, {b, false}});
    EXPECT_EQ(p.Primary, a);
    EXPECT_EQ(p.Covers, std::vector<Rect>{b});
}

TEST(DisplayLayout, SingleDisplayHasNoCovers)
{
    const Rect only = Rect::FromSize(0, 0, 1280, 720);
    const DisplayPlacement p = PlaceDisplays({{only, true}});
    EXPECT_EQ(p.Primary, only);
    EXPECT_TRUE(p.Covers.empty());
    EXPECT_TRUE(PlaceDisplays({}).Primary.IsEmpty());
}

TEST(DisplayLayout, MirrorsAreNotCoveredTwiceButAPartOverlapIs)
{
    // Two screens at one origin (a mirror) show nothing of their own; a
    // display reaching one pixel beyond the primary one does.
    const Rect main = Rect::FromSize(0, 0, 1280, 720);
    const Rect side = Rect::FromSize(1280, 0, 1280, 720);
    const Rect wider = Rect::FromSize(0, 0, 1281, 720);
    const DisplayPlacement p =
        PlaceDisplays({{main, true}, {main, false}, {side, false}, {side, false}, {wider, false}});
    EXPECT_EQ(p.Covers, (std::vector<Rect>{side, wider}));
}
