// "Fade" and the pivots: per-pixel loops over row pointers. The blend keeps
// division out of the loop (an exact multiply-shift); the rotation steps
// its fixed-point source coordinates along a row and works out beforehand
// which columns of the row land inside the picture, so the inner loop has
// neither a bounds test nor a division.

#include "transitions/effects/PixelEffects.h"

#include "gdi/Bitmap.h"
#include "gdi/PixelGather.h"
#include "gdi/Prefetch.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <optional>
#include <type_traits>
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

// A destination row of a rotation: the source coordinates a and b (in
// 16.16, before the pivot is added) at column 0, and the columns
// [First, Last] whose source pixel lies inside the picture.
struct RotatedRow {
    int64_t A0 = 0, B0 = 0;
    int64_t First = 0, Last = -1;
};

// A destination row walks the source along a slanted line, touching a
// different source row (and memory page) every few pixels. The rows are
// therefore drawn in tiles of kTileRows rows by kTileColumns columns, whose
// source pixels lie in a patch that stays in the cache and the address
// translation buffers. Long, low tiles measured fastest (at 3840x2160 a
// quarter faster than 16 by 64): each row's run is one call of many
// vectors, and the next tile's lines are asked for well ahead.
constexpr int32_t kTileRows = 8;
constexpr int64_t kTileColumns = 256;

// The patch of a tile is a few source pixels from each of dozens of source
// rows: too scattered for the processor's own prefetching, so each tile
// would wait on memory line by line (at 3840x2160 this doubled the time of
// a pivot frame). While one tile is drawn, the lines of the next are asked
// for. Not every pixel need be: within a source row, the path of one
// destination row lies 1 / |sin| pixels from that of the row above, so rows
// `rowStep` apart (at most one cache line, 16 pixels, between their paths)
// leave no line between them unasked; along a row, a step of `columnStep`
// pixels crosses at most half a source row and half a cache line.
// Always inlined: GCC takes a function that does nothing but prefetch for
// one without effects, and drops its calls.
template <class Sum>
[[gnu::always_inline]] inline void PrefetchTile(const RotatedRow* band, int32_t count, int64_t left, int64_t right,
                                                const uint8_t* source, int64_t origin, int64_t pitch, int64_t S,
                                                int64_t K)
{
    constexpr int64_t kOne = 65536, kLinePixels = kCacheLineBytes / 4;
    const int64_t slope = std::max<int64_t>(std::abs(S), 1);
    const auto rowStep = int32_t(std::clamp<int64_t>(kLinePixels * slope / kOne, 1, kTileRows));
    const int64_t columnStep = std::clamp<int64_t>(kOne / 2 / slope, 1, kLinePixels / 2);
    for (int32_t i = 0;; i = std::min(i + rowStep, count - 1)) {
        const RotatedRow& row = band[i];
        const int64_t first = std::max(row.First, left), last = std::min(row.Last, right);
        int64_t a = row.A0 + first * K, b = row.B0 + first * S;
        if constexpr (std::is_same_v<Sum, int32_t>) {
            if (first <= last)
                PrefetchRotatedPixels(reinterpret_cast<const uint32_t*>(source), int32_t(origin), int32_t(pitch),
                                      int32_t(a), int32_t(b), int32_t(columnStep * K), int32_t(columnStep * S),
                                      size_t((last - first) / columnStep + 1));
        } else {
            for (int64_t X = first; X <= last; X += columnStep, a += columnStep * K, b += columnStep * S)
                PrefetchLineForReading(source + (origin + (b >> 16) * pitch + (a >> 16)) * 4);
        }
        if (i == count - 1)
            break;
    }
}

// The rotation with its sums in `Sum`: int32_t when no sum can leave 32
// bits, int64_t otherwise. Both give the exact values of the formula. With
// `OldImage`, the pixels of a row that the picture does not reach take the
// old image first; every pixel is written once.
template <class Sum>
void RotateRows(Bitmap& Screen, const Bitmap& Picture, const Bitmap* OldImage, int64_t PivotX, int64_t PivotY,
                int64_t S, int64_t K)
{
    const int64_t W = Picture.Width(), H = Picture.Height();
    const int32_t rows = std::min(Screen.Height(), Picture.Height());
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
    const auto stepA = Sum(K), stepB = Sum(S);
    RotatedRow band[kTileRows];
    // The last band first: rows are stored bottom-up, and the frame is then
    // written in rising order.
    for (int32_t top = rows > 0 ? (rows - 1) / kTileRows * kTileRows : -1; top >= 0; top -= kTileRows) {
        const int32_t count = std::min(kTileRows, rows - top);
        int64_t bandFirst = columns, bandLast = -1;
        for (int32_t i = 0; i < count; ++i) {
            const int32_t Y = top + i;
            const int64_t e = H - Y - PivotY;
            // a and b at X = 0; each step right adds K to a and S to b.
            RotatedRow& row = band[i];
            row.A0 = (1 - PivotX) * K - e * S;
            row.B0 = (1 - PivotX) * S + e * K;
            row.First = 0;
            row.Last = columns - 1;
            LimitColumns(row.A0, K, aLow, aHigh, row.First, row.Last);
            LimitColumns(row.B0, S, bLow, bHigh, row.First, row.Last);
            if (row.First > row.Last) {
                row.First = columns;
                row.Last = columns - 1;
            }
            if (OldImage) {
                const int32_t width = Screen.Width();
                uint8_t* out = Screen.ScanLine(Y);
                const uint8_t* old = OldImage->ScanLine(Y);
                std::memcpy(out, old, size_t(row.First) * 4);
                std::memcpy(out + (row.Last + 1) * 4, old + (row.Last + 1) * 4, size_t(width - row.Last - 1) * 4);
            }
            bandFirst = std::min(bandFirst, row.First);
            bandLast = std::max(bandLast, row.Last);
        }
        for (int64_t left = bandFirst; left <= bandLast; left += kTileColumns) {
            const int64_t right = std::min(left + kTileColumns - 1, bandLast);
            if (right < bandLast)
                PrefetchTile<Sum>(band, count, right + 1, std::min(right + kTileColumns, bandLast), source, origin,
                                  pitch, S, K);
            for (int32_t i = 0; i < count; ++i) {
                const RotatedRow& row = band[i];
                const int64_t first = std::max(row.First, left), last = std::min(row.Last, right);
                if (first > last)
                    continue;
                uint8_t* out = Screen.ScanLine(top + i) + first * 4;
                auto a = Sum(row.A0 + first * K), b = Sum(row.B0 + first * S);
                if constexpr (std::is_same_v<Sum, int32_t>) {
                    // Rows are 4-byte aligned; a picture's pixel index fits 32 bits.
                    GatherRotatedPixels(reinterpret_cast<uint32_t*>(out), reinterpret_cast<const uint32_t*>(source),
                                        int32_t(origin), int32_t(pitch), a, b, stepA, stepB, size_t(last - first + 1));
                    continue;
                }
                for (int64_t X = first; X <= last; ++X, out += 4, a += stepA, b += stepB)
                    std::memcpy(out, source + (origin + int64_t(b >> 16) * pitch + int64_t(a >> 16)) * 4, 4);
            }
        }
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

// Writes the blend of rows `under` and s to `out`; InPlace blends `out`
// with s instead. The rows never overlap otherwise, and saying so lets the
// compiler run the fixed inner loop on whole vectors of `Chunk` bytes.
template <size_t Chunk, bool InPlace>
[[gnu::always_inline]] inline void BlendRowIn(uint8_t* __restrict out, const uint8_t* __restrict under,
                                              const uint8_t* __restrict s, size_t bytes, const BlendWeights& w)
{
    static_assert(Chunk % 4 == 0 && Chunk <= kBlendBytes);
    const uint8_t* d = InPlace ? out : under;
    size_t i = 0;
    for (; i + Chunk <= bytes; i += Chunk)
        for (size_t j = 0; j < Chunk; ++j)
            out[i + j] = Blend(d[i + j], s[i + j], w.Keep[j], w.Take[j]);
    for (size_t j = 0; i < bytes; ++i, ++j)
        out[i] = Blend(d[i], s[i], w.Keep[j], w.Take[j]);
}

using BlendRowFn = void (*)(uint8_t*, const uint8_t*, const uint8_t*, size_t, const BlendWeights&);

template <bool InPlace>
void BlendRow(uint8_t* out, const uint8_t* under, const uint8_t* s, size_t bytes, const BlendWeights& w)
{
    BlendRowIn<16, InPlace>(out, under, s, bytes, w);
}

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
// The same blend on 32-byte vectors, where the processor has them. The
// blend is bound by arithmetic rather than memory, so each byte pair is
// interleaved with its partner and multiplied by its (keep, take) weights
// and summed in one multiply-add (weights of at most 100 fit its signed
// bytes, sums of at most kMaxBlendSum its 16-bit lanes), then divided as
// DivideBy100 does.
template <bool InPlace>
[[gnu::target("avx2")]] void BlendRowAvx2(uint8_t* out, const uint8_t* under, const uint8_t* s, size_t bytes,
                                          const BlendWeights& w)
{
    const uint8_t* d = InPlace ? out : under;
    // Interleaving keeps each byte's place in its pixel, so one pair of
    // weights per place serves both halves.
    alignas(32) int8_t pairs[32];
    for (size_t j = 0; j < 32; j += 2) {
        pairs[j] = int8_t(w.Keep[(j / 2) % 4]);
        pairs[j + 1] = int8_t(w.Take[(j / 2) % 4]);
    }
    const __m256i weights = _mm256_load_si256(reinterpret_cast<const __m256i*>(pairs));
    const __m256i reciprocal = _mm256_set1_epi16(int16_t(41944));
    size_t i = 0;
    for (; i + 32 <= bytes; i += 32) {
        const __m256i under8 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
        const __m256i over8 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        const __m256i low = _mm256_maddubs_epi16(_mm256_unpacklo_epi8(under8, over8), weights);
        const __m256i high = _mm256_maddubs_epi16(_mm256_unpackhi_epi8(under8, over8), weights);
        const __m256i lowQuotients = _mm256_srli_epi16(_mm256_mulhi_epu16(low, reciprocal), 6);
        const __m256i highQuotients = _mm256_srli_epi16(_mm256_mulhi_epu16(high, reciprocal), 6);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_packus_epi16(lowQuotients, highQuotients));
    }
    // The last few bytes start at a pixel, as the weights do.
    BlendRowIn<4, InPlace>(out + i, under + i, s + i, bytes - i, w);
}

template <bool InPlace>
BlendRowFn PickBlendRow()
{
    return __builtin_cpu_supports("avx2") ? &BlendRowAvx2<InPlace> : &BlendRow<InPlace>;
}
#else
template <bool InPlace>
BlendRowFn PickBlendRow()
{
    return &BlendRow<InPlace>;
}
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

// Screen = the blend of Under and Picture, row by row; Under may be Screen.
void BlendRows(Bitmap& Screen, const Bitmap& Under, const Bitmap& Picture, const BlendWeights& weights)
{
    const int32_t rows = std::min(Screen.Height(), Picture.Height());
    const size_t bytes = size_t(std::min(Screen.Width(), Picture.Width())) * 4;
    static const BlendRowFn inPlace = PickBlendRow<true>(), apart = PickBlendRow<false>();
    const BlendRowFn blendRow = &Under == &Screen ? inPlace : apart;
    // The last row first: rows are stored bottom-up, and the prefetchers
    // follow memory read in rising order best.
    for (int32_t y = rows - 1; y >= 0; --y)
        blendRow(Screen.ScanLine(y), Under.ScanLine(y), Picture.ScanLine(y), bytes, weights);
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

void RotateRows(Bitmap& Screen, const Bitmap& Picture, const Bitmap* OldImage, const Rotation& r)
{
    if (r.Fits32Bits)
        RotateRows<int32_t>(Screen, Picture, OldImage, r.PivotX, r.PivotY, r.S, r.K);
    else
        RotateRows<int64_t>(Screen, Picture, OldImage, r.PivotX, r.PivotY, r.S, r.K);
}

} // namespace

void BlendBitmaps(Bitmap& Screen, const Bitmap& Picture, int32_t Percent)
{
    // A bitmap blended with itself stays as it is.
    if (!Is32Bit(Screen) || !Is32Bit(Picture) || &Screen == &Picture)
        return;
    BlendRows(Screen, Screen, Picture, MakeBlendWeights(Percent));
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
    RotateRows(Screen, Picture, nullptr, MakeRotation(Picture, PivotX, PivotY, Angle));
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
    if (style == kFadeStyle) {
        // The blend of the old image and the picture, written straight into
        // the frame: each pixel is read from both and written once.
        BlendRows(Screen, OldImage, Picture, MakeBlendWeights(progress));
        return true;
    }
    const auto pivot = PivotOf(style, R, progress);
    if (!pivot || !std::isfinite(pivot->second))
        return false;
    RotateRows(Screen, Picture, &OldImage, MakeRotation(Picture, pivot->first.X, pivot->first.Y, pivot->second));
    return true;
}

} // namespace saver
