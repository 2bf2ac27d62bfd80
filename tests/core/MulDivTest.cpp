#include "core/MulDiv.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

using saver::MulDiv;

struct MulDivCase {
    int32_t a, b, c, expected;
};

class MulDivRounding : public testing::TestWithParam<MulDivCase> {};

TEST_P(MulDivRounding, RoundsToNearestWithHalvesAwayFromZero)
{
    const auto& p = GetParam();
    EXPECT_EQ(MulDiv(p.a, p.b, p.c), p.expected) << p.a << " * " << p.b << " / " << p.c;
}

INSTANTIATE_TEST_SUITE_P(Edges, MulDivRounding,
                         testing::Values(MulDivCase{1, 1, 2, 1},     // 0.5 -> 1
                                         MulDivCase{3, 1, 2, 2},     // 1.5 -> 2
                                         MulDivCase{5, 1, 2, 3},     // 2.5 -> 3, not banker's 2
                                         MulDivCase{-1, 1, 2, -1},   // -0.5 -> -1
                                         MulDivCase{-5, 1, 2, -3},   // -2.5 -> -3
                                         MulDivCase{5, -1, 2, -3},   // sign from the multiplier
                                         MulDivCase{5, 1, -2, -3},   // sign from the divisor
                                         MulDivCase{-5, -1, -2, -3}, // three negatives
                                         MulDivCase{7, 1, 3, 2},     // 2.33 -> 2
                                         MulDivCase{8, 1, 3, 3},     // 2.67 -> 3
                                         MulDivCase{-8, 1, 3, -3},
                                         MulDivCase{0, 5, 7, 0},
                                         // 64-bit intermediate: the product overflows 32 bits.
                                         MulDivCase{100000, 100000, 1000, 10000000},
                                         MulDivCase{INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX}));

TEST(MulDiv, ZeroDivisorReturnsMinusOne)
{
    EXPECT_EQ(MulDiv(10, 20, 0), -1);
    EXPECT_EQ(MulDiv(0, 0, 0), -1);
}

TEST(MulDiv, ResultOutsideThe32BitRangeReturnsMinusOne)
{
    EXPECT_EQ(MulDiv(INT32_MAX, 2, 1), -1);
    EXPECT_EQ(MulDiv(INT32_MIN, 1, 1), -1);
    EXPECT_EQ(MulDiv(-INT32_MAX, 1, 1), -INT32_MAX);
}
