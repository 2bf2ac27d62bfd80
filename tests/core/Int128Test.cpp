#include "core/Int128.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace saver {
namespace {

// The 32-bit targets' 128-bit arithmetic, checked against the compiler's own
// where the host has one.
#ifdef __SIZEOF_INT128__
using Native = __int128;
using Bits = unsigned __int128; // wraps like the emulation where the product overflows

Bits ToBits(EmulatedInt128 v) { return Bits(v.High()) << 64 | v.Low(); }

std::vector<int64_t> Operands()
{
    std::vector<int64_t> values = {0, 1, -1, 2, -2, 3, 7, -7, INT32_MAX, INT32_MIN, int64_t(1) << 32,
                                   INT64_MAX, INT64_MIN, INT64_MAX - 1, INT64_MIN + 1};
    std::mt19937_64 random(20261208);
    for (int i = 0; i < 40; ++i) {
        const int shift = int(random() % 63);
        values.push_back(int64_t(random() >> shift) * (random() & 1 ? 1 : -1));
    }
    return values;
}

TEST(Int128, EmulatedArithmeticMatchesTheNativeType)
{
    const auto values = Operands();
    for (const int64_t x : values)
        for (const int64_t y : values)
            for (const int64_t z : {int64_t(1), int64_t(-3), INT64_MAX, INT64_MIN}) {
                // Products of three operands reach beyond 64 bits in both halves.
                const EmulatedInt128 a = EmulatedInt128(x) * z, b = y;
                const Native na = Native(x) * z, nb = y;
                ASSERT_EQ(ToBits(a + b), Bits(na + nb)) << x << " " << y << " " << z;
                ASSERT_EQ(ToBits(a - b), Bits(na - nb)) << x << " " << y << " " << z;
                ASSERT_EQ(ToBits(a * b), Bits(na) * Bits(nb)) << x << " " << y << " " << z;
                ASSERT_EQ(a < b, na < nb);
                ASSERT_EQ(a == b, na == nb);
                if (y != 0) {
                    ASSERT_EQ(ToBits(a / b), Bits(na / nb)) << x << " " << y << " " << z;
                    ASSERT_EQ(ToBits(a % b), Bits(na % nb)) << x << " " << y << " " << z;
                }
                ASSERT_EQ(int64_t(a + b), int64_t(na + nb));
            }
}
#endif

TEST(Int128, TruncatingDivisionAndWideProducts)
{
    // (2^61 * 10) / 4 needs 65 bits in between.
    const EmulatedInt128 big = EmulatedInt128(int64_t(1) << 61) * 10;
    EXPECT_EQ(int64_t(big / 4), (int64_t(1) << 59) * 10);
    EXPECT_EQ(int64_t(EmulatedInt128(-7) / 2), -3);
    EXPECT_EQ(int64_t(EmulatedInt128(-7) % 2), -1);
    EXPECT_EQ(int64_t(EmulatedInt128(7) / -2), -3);
    EXPECT_TRUE(-big < 0);
    EXPECT_TRUE(big > EmulatedInt128(INT64_MAX));
}

} // namespace
} // namespace saver
