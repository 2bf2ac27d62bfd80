// "Fade" and the pivots: per-pixel loops over row pointers. The blend keeps
// division out of the loop (an exact multiply-shift); the rotation steps
// its fixed-point source coordinates along a row and works out beforehand
// which columns of the row land inside the picture, so the inner loop has
// neither a bounds test nor a division.

#include "transitions/effects/PixelEffects.h"

#include "gdi/Bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <numbers>
#include <optional>
#include <utility>

namespace saver {
namespace {

bool Is32Bit(const Bitmap& b) { return BitsPerPixel(b.GetPixelFormat()) == 32; }

// Floor and ceiling of a / b for any signs, b != 0.
int64_t FloorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}
int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }

// Narrows [first, last] to the X for which start + X * step lies in
// [low, high]: the values where the coordinate stays inside the picture.
void LimitColumns(int64_t start, int64_t step, int64_t low, int64_t high, int64_t& first, int64_t& last)
{
    if (step == 0) {
        if (start < low || start > high)
            last = first - 1;
        return;
    }
    if (step > 0) {
        first = std::max(first, CeilDiv(low - start, step));
        last = std::min(last, FloorDiv(high - start, step));
    } else {
        first = std::max(first, CeilDiv(high - start, step));
        last = std::min(last, FloorDiv(low - start, step));
    }
}

// The rotation with its sums in `Sum`: int32_t when no sum can leave 32
// bits, int64_t otherwise. Both give the exact values of the formula.
template <class Sum>
void RotateRows(Bitmap& Screen, const Bitmap& Picture, int64_t PivotX, int64_t PivotY, int64_t S, int64_t K,
                int32_t firstRow, int32_t endRow)
{
    const int64_t W = Picture.Width(), H = Picture.Height();
    const int32_t rows = std::min({Screen.Height(), Picture.Height(), endRow});
    const int64_t columns = std::min(Screen.Width(), Picture.Width());
    // Source pixel (sx, sy), sy from the bottom, sits at sy * pitch + sx
    // pixels from the start of the bottom row.
    const uint8_t* source = Picture.ScanLine(Picture.Height() - 1);
    const auto pitch = int64_t(Picture.Stride() / 4);
    // sx = PivotX + (a >> 16) is inside [0, W) exactly when a is inside
    // [-PivotX * 65536, (W - PivotX) * 65536 - 1]; likewise b for sy.
    const int64_t aLow = -PivotX * 65536, aHigh = (W - PivotX) * 65536 - 1;
    const int64_t bLow = -PivotY * 65536, bHigh = (H - PivotY) * 65536 - 1;
    const int64_t origin = PivotY * pitch + PivotX;
    for (int32_t Y = std::max(firstRow, 0); Y < rows; ++Y) {
        const int64_t e = H - Y - PivotY;
        // a and b at X = 0; each step right adds K to a and S to b.
        const int64_t a0 = (1 - PivotX) * K - e * S, b0 = (1 - PivotX) * S + e * K;
        int64_t first = 0, last = columns - 1;
        LimitColumns(a0, K, aLow, aHigh, first, last);
        LimitColumns(b0, S, bLow, bHigh, first, last);
        if (first > last)
            continue;
        uint8_t* out = Screen.ScanLine(Y) + first * 4;
        auto a = Sum(a0 + first * K), b = Sum(b0 + first * S);
        const auto stepA = Sum(K), stepB = Sum(S);
        for (int64_t X = first; X <= last; ++X, out += 4, a += stepA, b += stepB)
            std::memcpy(out, source + (origin + int64_t(b >> 16) * pitch + int64_t(a >> 16)) * 4, 4);
    }
}

// Eight pixels' worth of weights: blue, green and red take the blend, the
// fourth byte keeps itself whole (weight 100 of its own value, exactly
// divided), so one loop without a test runs over every byte.
constexpr size_t kBlendBytes = 32;
struct BlendWeights {
    uint16_t Keep[kBlendBytes];
    uint16_t Take[kBlendBytes];
};

inline uint8_t Blend(uint8_t d, uint8_t s, uint16_t keep, uint16_t take)
{
    return uint8_t(DivideBy100(uint16_t(keep * d + take * s)));
}

// The rows never overlap; saying so lets the compiler run the fixed inner
// loop on whole vectors of `Chunk` bytes.
template <size_t Chunk>
[[gnu::always_inline]] inline void BlendRowIn(uint8_t* __restrict d, const uint8_t* __restrict s, size_t bytes,
                                              const BlendWeights& w)
{
    static_assert(Chunk % 4 == 0 && Chunk <= kBlendBytes);
    size_t i = 0;
    for (; i + Chunk <= bytes; i += Chunk)
        for (size_t j = 0; j < Chunk; ++j)
            d[i + j] = Blend(d[i + j], s[i + j], w.Keep[j], w.Take[j]);
    for (size_t j = 0; i < bytes; ++i, ++j)
        d[i] = Blend(d[i], s[i], w.Keep[j], w.Take[j]);
}

using BlendRowFn = void (*)(uint8_t*, const uint8_t*, size_t, const BlendWeights&);

void BlendRow(uint8_t* d, const uint8_t* s, size_t bytes, const BlendWeights& w) { BlendRowIn<16>(d, s, bytes, w); }

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
// The same loop on 32-byte vectors, where the processor has them: the
// blend is bound by arithmetic rather than memory, so this takes a third
// off its time.
[[gnu::target("avx2")]] void BlendRowAvx2(uint8_t* d, const uint8_t* s, size_t bytes, const BlendWeights& w)
{
    BlendRowIn<32>(d, s, bytes, w);
}

BlendRowFn PickBlendRow() { return __builtin_cpu_supports("avx2") ? &BlendRowAvx2 : &BlendRow; }
#else
BlendRowFn PickBlendRow() { return &BlendRow; }
#endif

} // namespace

namespace {

BlendWeights MakeBlendWeights(int32_t Percent)
{
    const auto take = uint16_t(std::clamp(Percent, 0, 100));
    BlendWeights weights;
    for (size_t j = 0; j < kBlendBytes; ++j) {
        const bool fourth = j % 4 == 3;
        weights.Keep[j] = uint16_t(fourth ? 100 : 100 - take);
        weights.Take[j] = uint16_t(fourth ? 0 : take);
    }
    return weights;
}

void BlendRows(Bitmap& Screen, const Bitmap& Picture, const BlendWeights& weights, int32_t firstRow, int32_t endRow)
{
    const int32_t rows = std::min({Screen.Height(), Picture.Height(), endRow});
    const size_t bytes = size_t(std::min(Screen.Width(), Picture.Width())) * 4;
    static const BlendRowFn blendRow = PickBlendRow();
    for (int32_t y = std::max(firstRow, 0); y < rows; ++y)
        blendRow(Screen.ScanLine(y), Picture.ScanLine(y), bytes, weights);
}

// A rotation's constants, worked out once a frame.
struct Rotation {
    int32_t PivotX, PivotY;
    int64_t S, K;
    bool Fits32Bits; // every sum of the formula fits 32 bits
};

Rotation MakeRotation(const Bitmap& Picture, int32_t PivotX, int32_t PivotY, long double Angle)
{
    const auto S = int64_t(std::trunc(std::sin(-Angle) * 65536.0L));
    const auto K = int64_t(std::trunc(std::cos(-Angle) * 65536.0L));
    // Every sum is (u K - e S) or (u S + e K) for u and e of some pixel (u
    // one column further for the step past a row's end), and |S|, |K| <=
    // 65536.
    const int64_t W = Picture.Width(), H = Picture.Height();
    const int64_t u = std::max(std::abs(1 - int64_t{PivotX}), std::abs(W + 1 - PivotX));
    const int64_t e = std::max(std::abs(H - PivotY), std::abs(1 - int64_t{PivotY}));
    return {PivotX, PivotY, S, K, (u + e) * 65536 <= std::numeric_limits<int32_t>::max()};
}

void RotateRows(Bitmap& Screen, const Bitmap& Picture, const Rotation& r, int32_t firstRow, int32_t endRow)
{
    if (r.Fits32Bits)
        RotateRows<int32_t>(Screen, Picture, r.PivotX, r.PivotY, r.S, r.K, firstRow, endRow);
    else
        RotateRows<int64_t>(Screen, Picture, r.PivotX, r.PivotY, r.S, r.K, firstRow, endRow);
}

} // namespace

void BlendBitmaps(Bitmap& Screen, const Bitmap& Picture, int32_t Percent)
{
    // A bitmap blended with itself stays as it is.
    if (!Is32Bit(Screen) || !Is32Bit(Picture) || &Screen == &Picture)
        return;
    BlendRows(Screen, Picture, MakeBlendWeights(Percent), 0, Screen.Height());
}

void RotateBitmap(Bitmap& Screen, const Bitmap& Picture, int32_t PivotX, int32_t PivotY, long double Angle)
{
    if (!Is32Bit(Screen) || !Is32Bit(Picture) || Picture.Empty() || Screen.Empty() || !std::isfinite(Angle))
        return;
    if (&Screen == &Picture) {
        // Turning a bitmap onto itself reads it as it was.
        Bitmap copy(Picture.GetPixelFormat());
        copy.Assign(Picture);
        RotateBitmap(Screen, copy, PivotX, PivotY, Angle);
        return;
    }
    RotateRows(Screen, Picture, MakeRotation(Picture, PivotX, PivotY, Angle), 0, Screen.Height());
}

namespace {

constexpr TShowStyle kFadeStyle = 118;

// Where a pivot sits on one axis: one pixel before the picture or at its
// far edge (the rectangle's right or bottom).
enum class PivotAt : uint8_t { Before, FarEdge };

struct PivotRow {
    TShowStyle Style;
    PivotAt X;
    PivotAt Y; // counted upward: Before is just below the bottom edge
    // The angle is Sign * (100 - Progress) * pi / 200: a quarter turn
    // unwinding to none, anticlockwise for +1.
    int32_t Sign;
};

constexpr PivotRow kPivotRows[] = {
    {119, PivotAt::Before, PivotAt::Before, +1},   // Pivot from top left
    {120, PivotAt::Before, PivotAt::FarEdge, -1},  // Pivot from bottom left
    {121, PivotAt::FarEdge, PivotAt::Before, -1},  // Pivot from top right
    {122, PivotAt::FarEdge, PivotAt::FarEdge, +1}, // Pivot from bottom right
};

} // namespace

namespace {

// The pivot and angle of a pivot style; none for other styles.
std::optional<std::pair<Point, long double>> PivotOf(TShowStyle style, const Rect& R, int32_t progress)
{
    for (const PivotRow& row : kPivotRows) {
        if (row.Style != style)
            continue;
        const int32_t x = row.X == PivotAt::Before ? -1 : R.Right;
        const int32_t y = row.Y == PivotAt::Before ? -1 : R.Bottom;
        const long double angle = (row.Sign * (100 - progress)) * std::numbers::pi_v<long double> / 200;
        return std::pair{Point{x, y}, angle};
    }
    return std::nullopt;
}

} // namespace

void PixelEffect(TShowStyle style, Bitmap& Screen, const Bitmap& Picture, const Rect& R, uint32_t, uint32_t Progress)
{
    const auto progress = int32_t(std::min<uint32_t>(Progress, 100));
    if (style == kFadeStyle) {
        BlendBitmaps(Screen, Picture, progress);
        return;
    }
    if (const auto pivot = PivotOf(style, R, progress))
        RotateBitmap(Screen, Picture, pivot->first.X, pivot->first.Y, pivot->second);
}

bool ComposePixelFrame(TShowStyle style, Bitmap& Screen, const Bitmap& OldImage, const Bitmap& Picture, const Rect& R,
                       uint32_t Progress)
{
    const int32_t width = Screen.Width(), height = Screen.Height();
    if (!Is32Bit(Screen) || !Is32Bit(OldImage) || !Is32Bit(Picture) || &Screen == &OldImage ||
        &Screen == &Picture || OldImage.Width() != width || OldImage.Height() != height ||
        Picture.Width() != width || Picture.Height() != height || Screen.Empty())
        return false;
    const auto progress = int32_t(std::min<uint32_t>(Progress, 100));
    std::function<void(int32_t, int32_t)> effectRows;
    if (style == kFadeStyle) {
        effectRows = [&, weights = MakeBlendWeights(progress)](int32_t first, int32_t end) {
            BlendRows(Screen, Picture, weights, first, end);
        };
    } else if (const auto pivot = PivotOf(style, R, progress)) {
        if (!std::isfinite(pivot->second))
            return false;
        effectRows = [&, rotation = MakeRotation(Picture, pivot->first.X, pivot->first.Y, pivot->second)](
                         int32_t first, int32_t end) { RotateRows(Screen, Picture, rotation, first, end); };
    } else {
        return false;
    }
    // A band of rows takes the old image and then the effect while it is
    // still in the cache: the frame is read from memory once, not twice.
    constexpr int32_t kBandRows = 8;
    for (int32_t first = 0; first < height; first += kBandRows) {
        const int32_t end = std::min(first + kBandRows, height);
        for (int32_t y = first; y < end; ++y)
            std::memcpy(Screen.ScanLine(y), OldImage.ScanLine(y), size_t(width) * 4);
        effectRows(first, end);
    }
    return true;
}

} // namespace saver
