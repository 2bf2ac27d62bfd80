#include "core/Geometry.h"

#include <gtest/gtest.h>

using saver::Point;
using saver::Rect;

// Right and bottom are exclusive: these two cases pin the edge convention.
TEST(Rect, RightAndBottomAreOnePastTheLastPixel)
{
    const Rect r{2, 3, 6, 8};
    EXPECT_EQ(r.Width(), 4);
    EXPECT_EQ(r.Height(), 5);
    EXPECT_TRUE(r.Contains({5, 7}));
    EXPECT_FALSE(r.Contains({6, 7}));
    EXPECT_FALSE(r.Contains({5, 8}));
}

TEST(Rect, IntersectionOfDisjointRectanglesIsTheZeroRectangle)
{
    EXPECT_EQ(Rect(0, 0, 10, 10).Intersected({10, 0, 20, 10}), Rect{});
    EXPECT_EQ(Rect(0, 0, 10, 10).Intersected({5, -5, 20, 5}), Rect(5, 0, 10, 5));
}

TEST(Rect, UnionIgnoresEmptyRectangles)
{
    EXPECT_EQ(Rect(0, 0, 0, 0).United({3, 4, 5, 6}), Rect(3, 4, 5, 6));
    EXPECT_EQ(Rect(3, 4, 5, 6).United({9, 9, 9, 20}), Rect(3, 4, 5, 6));
    EXPECT_EQ(Rect(0, 0, 2, 2).United({5, 5, 6, 7}), Rect(0, 0, 6, 7));
}

TEST(Rect, OffsetMovesBothCorners)
{
    EXPECT_EQ(Rect(10, 20, 210, 170).Offsetted(-10, -20), Rect(0, 0, 200, 150));
}
