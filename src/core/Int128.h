#pragma once
// A signed 128-bit integer for the few products that do not fit 64 bits
// (scan conversion of huge shapes, stretch steps of absurd extents). It is
// the compiler's own __int128 where the target has one; 32-bit targets get
// EmulatedInt128, which keeps the same two's-complement arithmetic with C's
// truncating division.

#include <cstdint>

namespace saver {

class EmulatedInt128 {
public:
    constexpr EmulatedInt128() = default;
    constexpr EmulatedInt128(int64_t value) : m_lo(uint64_t(value)), m_hi(value < 0 ? ~uint64_t(0) : 0) {}

    constexpr explicit operator int64_t() const { return int64_t(m_lo); }

    friend constexpr EmulatedInt128 operator+(EmulatedInt128 a, EmulatedInt128 b)
    {
        const uint64_t lo = a.m_lo + b.m_lo;
        return FromParts(lo, a.m_hi + b.m_hi + (lo < a.m_lo ? 1 : 0));
    }
    friend constexpr EmulatedInt128 operator-(EmulatedInt128 a) { return FromParts(~a.m_lo, ~a.m_hi) + 1; }
    friend constexpr EmulatedInt128 operator-(EmulatedInt128 a, EmulatedInt128 b) { return a + -b; }
    friend constexpr EmulatedInt128 operator*(EmulatedInt128 a, EmulatedInt128 b)
    {
        // The low 128 bits of the product are the same for signed and
        // unsigned operands.
        EmulatedInt128 low = MultiplyWide(a.m_lo, b.m_lo);
        low.m_hi += a.m_hi * b.m_lo + a.m_lo * b.m_hi;
        return low;
    }
    friend constexpr EmulatedInt128 operator/(EmulatedInt128 a, EmulatedInt128 b)
    {
        EmulatedInt128 quotient, remainder;
        DivideSigned(a, b, quotient, remainder);
        return quotient;
    }
    friend constexpr EmulatedInt128 operator%(EmulatedInt128 a, EmulatedInt128 b)
    {
        EmulatedInt128 quotient, remainder;
        DivideSigned(a, b, quotient, remainder);
        return remainder;
    }

    constexpr EmulatedInt128& operator+=(EmulatedInt128 b) { return *this = *this + b; }
    constexpr EmulatedInt128& operator-=(EmulatedInt128 b) { return *this = *this - b; }
    constexpr EmulatedInt128& operator*=(EmulatedInt128 b) { return *this = *this * b; }
    constexpr EmulatedInt128& operator/=(EmulatedInt128 b) { return *this = *this / b; }
    constexpr EmulatedInt128& operator++() { return *this += 1; }
    constexpr EmulatedInt128& operator--() { return *this -= 1; }

    friend constexpr bool operator==(EmulatedInt128 a, EmulatedInt128 b) { return a.m_lo == b.m_lo && a.m_hi == b.m_hi; }
    friend constexpr bool operator<(EmulatedInt128 a, EmulatedInt128 b)
    {
        if (a.m_hi != b.m_hi)
            return int64_t(a.m_hi) < int64_t(b.m_hi);
        return a.m_lo < b.m_lo;
    }
    friend constexpr bool operator!=(EmulatedInt128 a, EmulatedInt128 b) { return !(a == b); }
    friend constexpr bool operator>(EmulatedInt128 a, EmulatedInt128 b) { return b < a; }
    friend constexpr bool operator<=(EmulatedInt128 a, EmulatedInt128 b) { return !(b < a); }
    friend constexpr bool operator>=(EmulatedInt128 a, EmulatedInt128 b) { return !(a < b); }

    [[nodiscard]] constexpr uint64_t Low() const { return m_lo; }
    [[nodiscard]] constexpr uint64_t High() const { return m_hi; }

private:
    static constexpr EmulatedInt128 FromParts(uint64_t lo, uint64_t hi)
    {
        EmulatedInt128 v;
        v.m_lo = lo;
        v.m_hi = hi;
        return v;
    }
    [[nodiscard]] constexpr bool Negative() const { return int64_t(m_hi) < 0; }

    static constexpr EmulatedInt128 MultiplyWide(uint64_t a, uint64_t b)
    {
        const uint64_t aLo = a & 0xFFFFFFFFu, aHi = a >> 32, bLo = b & 0xFFFFFFFFu, bHi = b >> 32;
        const uint64_t ll = aLo * bLo, lh = aLo * bHi, hl = aHi * bLo, hh = aHi * bHi;
        const uint64_t middle = (ll >> 32) + (lh & 0xFFFFFFFFu) + (hl & 0xFFFFFFFFu);
        return FromParts((middle << 32) | (ll & 0xFFFFFFFFu), hh + (lh >> 32) + (hl >> 32) + (middle >> 32));
    }

    // Magnitudes divided bit by bit; the quotient truncates toward zero and
    // the remainder takes the dividend's sign. Division by zero gives zero
    // (callers never divide by zero; this keeps a constant expression).
    static constexpr void DivideSigned(EmulatedInt128 a, EmulatedInt128 b, EmulatedInt128& quotient,
                                       EmulatedInt128& remainder)
    {
        const bool negativeQuotient = a.Negative() != b.Negative();
        const bool negativeRemainder = a.Negative();
        const EmulatedInt128 n = a.Negative() ? -a : a;
        const EmulatedInt128 d = b.Negative() ? -b : b;
        EmulatedInt128 q, r;
        if (d != 0) {
            for (int bit = 127; bit >= 0; --bit) {
                r = FromParts(r.m_lo << 1, (r.m_hi << 1) | (r.m_lo >> 63));
                const uint64_t word = bit >= 64 ? n.m_hi : n.m_lo;
                r.m_lo |= (word >> (bit & 63)) & 1;
                if (!UnsignedLess(r, d)) {
                    r = r - d;
                    if (bit >= 64)
                        q.m_hi |= uint64_t(1) << (bit - 64);
                    else
                        q.m_lo |= uint64_t(1) << bit;
                }
            }
        }
        quotient = negativeQuotient ? -q : q;
        remainder = negativeRemainder ? -r : r;
    }
    static constexpr bool UnsignedLess(EmulatedInt128 a, EmulatedInt128 b)
    {
        return a.m_hi != b.m_hi ? a.m_hi < b.m_hi : a.m_lo < b.m_lo;
    }

    uint64_t m_lo = 0;
    uint64_t m_hi = 0;
};

// SAVER_EMULATED_INT128 selects the emulation on any host, to test it there.
#if defined(__SIZEOF_INT128__) && !defined(SAVER_EMULATED_INT128)
using Int128 = __int128;
#else
using Int128 = EmulatedInt128;
#endif

} // namespace saver
