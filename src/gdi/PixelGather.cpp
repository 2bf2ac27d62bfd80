#include "gdi/PixelGather.h"

#include "gdi/Prefetch.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define SAVER_GATHER_AVX2 1
#endif

#include <algorithm>
#include <utility>

namespace saver {

void GatherPixelsScalar(uint32_t* out, const uint32_t* in, const int32_t* index, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        out[i] = in[index[i]];
}

void CombinePixelPairsScalar(uint32_t* out, const uint32_t* in, const int32_t* low, const int32_t* high,
                             size_t count, bool And)
{
    if (And)
        for (size_t i = 0; i < count; ++i)
            out[i] = in[low[i]] & in[high[i]] & 0xFFFFFFu;
    else
        for (size_t i = 0; i < count; ++i)
            out[i] = (in[low[i]] | in[high[i]]) & 0xFFFFFFu;
}

void GatherRotatedPixelsScalar(uint32_t* out, const uint32_t* in, int32_t origin, int32_t pitch, int32_t a, int32_t b,
                               int32_t stepA, int32_t stepB, size_t count)
{
    for (size_t j = 0; j < count; ++j, a += stepA, b += stepB)
        out[j] = in[int64_t(origin) + int64_t(b >> 16) * pitch + int64_t(a >> 16)];
}

#ifdef SAVER_GATHER_AVX2
namespace {

[[gnu::target("avx2"), gnu::always_inline]] inline __m256i Load(const void* p)
{
    return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}

// Per lane, the pixel from `high` where the lane's choice has its top bit
// set, else the one from `low`.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i Choose(__m256i choice, __m256i low, __m256i high)
{
    return _mm256_castps_si256(
        _mm256_blendv_ps(_mm256_castsi256_ps(low), _mm256_castsi256_ps(high), _mm256_castsi256_ps(choice)));
}

// Of the 16 pixels from `p`, the one each lane's offset picks (a prepared
// offset: its bit 3 also in the top bit).
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i PickFromSixteen(const uint32_t* p, __m256i offset)
{
    return Choose(offset, _mm256_permutevar8x32_epi32(Load(p), offset),
                  _mm256_permutevar8x32_epi32(Load(p + 8), offset));
}

// The eight pixels of one group of prepared picks, from the row `in`.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i PickGroup(const uint32_t* in, PixelPicks::Group group,
                                                                     const int32_t* offsets)
{
    const __m256i offset = Load(offsets);
    const uint32_t* window = in + group.Start;
    switch (group.Window) {
    case 8:
        return _mm256_permutevar8x32_epi32(Load(window), offset);
    case 16:
        return PickFromSixteen(window, offset);
    case 32: // bit 4 of the offset sits below the top bit
        return Choose(_mm256_slli_epi32(offset, 1), PickFromSixteen(window, offset),
                      PickFromSixteen(window + 16, offset));
    default:
        return _mm256_i32gather_epi32(reinterpret_cast<const int*>(in), offset, 4);
    }
}

// Whole groups of eight; returns how many pixels were done.
[[gnu::target("avx2")]] size_t GatherPixelsAvx2(uint32_t* out, const uint32_t* in, const PixelPicks::Group* groups,
                                                const int32_t* offsets, size_t count)
{
    size_t i = 0;
    for (; i + 8 <= count; i += 8)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), PickGroup(in, groups[i / 8], offsets + i));
    return i;
}

[[gnu::target("avx2")]] size_t CombinePixelPairsAvx2(uint32_t* out, const uint32_t* in, const PixelPicks& low,
                                                     const PixelPicks& high, bool And, const uint32_t* ahead)
{
    const __m256i colour = _mm256_set1_epi32(0xFFFFFF);
    const size_t count = std::min(low.Groups().size(), high.Groups().size()) * 8;
    size_t i = 0;
    for (; i < count; i += 8) {
        // A prefetch never faults, so the sum may name any address.
        if (ahead)
            _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(ahead) + uintptr_t(low[i]) * 4),
                         _MM_HINT_T0);
        const __m256i a = PickGroup(in, low.Groups()[i / 8], low.Offsets().data() + i);
        const __m256i b = PickGroup(in, high.Groups()[i / 8], high.Offsets().data() + i);
        const __m256i v = And ? _mm256_and_si256(a, b) : _mm256_or_si256(a, b);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_and_si256(v, colour));
    }
    return i;
}

// A rotation's path through the picture, eight pixels at a time: the
// source coordinates of the next eight in 16.16, and their steps.
struct RotatedPath {
    __m256i A, B, StepA8, StepB8, Origin, Pitch;
};

[[gnu::target("avx2"), gnu::always_inline]] inline RotatedPath StartRotatedPath(int32_t origin, int32_t pitch,
                                                                                int32_t a, int32_t b, int32_t stepA,
                                                                                int32_t stepB)
{
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    return {_mm256_add_epi32(_mm256_set1_epi32(a), _mm256_mullo_epi32(lanes, _mm256_set1_epi32(stepA))),
            _mm256_add_epi32(_mm256_set1_epi32(b), _mm256_mullo_epi32(lanes, _mm256_set1_epi32(stepB))),
            _mm256_set1_epi32(int32_t(uint32_t(stepA) * 8u)),
            _mm256_set1_epi32(int32_t(uint32_t(stepB) * 8u)),
            _mm256_set1_epi32(origin),
            _mm256_set1_epi32(pitch)};
}

// The picture indices of the next eight pixels, and the path moved past
// them. Each index is a pixel of the picture, so its 32-bit sum is exact.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i NextIndices(RotatedPath& path)
{
    const __m256i at = _mm256_add_epi32(
        _mm256_add_epi32(path.Origin, _mm256_mullo_epi32(_mm256_srai_epi32(path.B, 16), path.Pitch)),
        _mm256_srai_epi32(path.A, 16));
    path.A = _mm256_add_epi32(path.A, path.StepA8);
    path.B = _mm256_add_epi32(path.B, path.StepB8);
    return at;
}

[[gnu::target("avx2")]] size_t GatherRotatedPixelsAvx2(uint32_t* out, const uint32_t* in, int32_t origin,
                                                       int32_t pitch, int32_t a, int32_t b, int32_t stepA,
                                                       int32_t stepB, size_t count)
{
    const auto* base = reinterpret_cast<const int*>(in);
    RotatedPath path = StartRotatedPath(origin, pitch, a, b, stepA, stepB);
    size_t i = 0;
    for (; i + 8 <= count; i += 8)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_i32gather_epi32(base, NextIndices(path), 4));
    return i;
}

// The indices are worked out eight at a time and the hints given one by
// one: a prefetch takes only an address, and working each out alone costs
// several times the hint. The caller uses the count returned, so the call
// stays although GCC sees no other effect.
[[gnu::target("avx2")]] size_t PrefetchRotatedPixelsAvx2(const uint32_t* in, int32_t origin, int32_t pitch,
                                                         int32_t a, int32_t b, int32_t stepA, int32_t stepB,
                                                         size_t count)
{
    RotatedPath path = StartRotatedPath(origin, pitch, a, b, stepA, stepB);
    alignas(32) int32_t at[8];
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        _mm256_store_si256(reinterpret_cast<__m256i*>(at), NextIndices(path));
        for (const int32_t index : at)
            _mm_prefetch(reinterpret_cast<const char*>(in + index), _MM_HINT_T0);
    }
    return i;
}

bool HasAvx2()
{
    static const bool has = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
    return has;
}

} // namespace
#endif

PixelPicks::PixelPicks(std::vector<int32_t> index, size_t rowSize) : index_(std::move(index))
{
#ifdef SAVER_GATHER_AVX2
    if (!HasAvx2())
        return;
    const size_t groups = index_.size() / 8;
    groups_.reserve(groups);
    offsets_.resize(groups * 8);
    for (size_t g = 0; g < groups; ++g) {
        const int32_t* at = index_.data() + g * 8;
        const auto [lowest, highest] = std::minmax_element(at, at + 8);
        Group group{0, 0};
        for (const int32_t window : {8, 16, 32}) {
            // The window starts at the lowest pick, or earlier where the row
            // ends, and must hold the highest.
            const int64_t start = std::min<int64_t>(*lowest, int64_t(rowSize) - window);
            if (start >= 0 && *highest < start + window) {
                group = {int32_t(start), window};
                break;
            }
        }
        for (size_t k = 0; k < 8; ++k) {
            const auto offset = uint32_t(at[k] - group.Start);
            // Permutes read the low three bits; blends read the top bit,
            // which takes bit 3, and the bit below it, which takes bit 4.
            offsets_[g * 8 + k] =
                group.Window == 0 ? at[k] : int32_t(offset | (offset & 8) << 28 | (offset & 16) << 26);
        }
        groups_.push_back(group);
    }
#else
    (void)rowSize;
#endif
}

void GatherPixels(uint32_t* out, const uint32_t* in, const PixelPicks& picks)
{
    size_t done = 0;
#ifdef SAVER_GATHER_AVX2
    // Groups are prepared only where the processor has AVX2.
    if (!picks.Groups().empty())
        done = GatherPixelsAvx2(out, in, picks.Groups().data(), picks.Offsets().data(), picks.Groups().size() * 8);
#endif
    GatherPixelsScalar(out + done, in, picks.Index().data() + done, picks.size() - done);
}

void CombinePixelPairs(uint32_t* out, const uint32_t* in, const PixelPicks& low, const PixelPicks& high, bool And,
                       const uint32_t* ahead)
{
    size_t done = 0;
#ifdef SAVER_GATHER_AVX2
    if (!low.Groups().empty() && !high.Groups().empty())
        done = CombinePixelPairsAvx2(out, in, low, high, And, ahead);
#else
    (void)ahead;
#endif
    CombinePixelPairsScalar(out + done, in, low.Index().data() + done, high.Index().data() + done,
                            std::min(low.size(), high.size()) - done, And);
}

void GatherRotatedPixels(uint32_t* out, const uint32_t* in, int32_t origin, int32_t pitch, int32_t a, int32_t b,
                         int32_t stepA, int32_t stepB, size_t count)
{
    size_t done = 0;
#ifdef SAVER_GATHER_AVX2
    if (HasAvx2())
        done = GatherRotatedPixelsAvx2(out, in, origin, pitch, a, b, stepA, stepB, count);
#endif
    // Unsigned products: the remainder starts where the vectors stopped,
    // which no sum leaves 32 bits to reach.
    GatherRotatedPixelsScalar(out + done, in, origin, pitch, int32_t(uint32_t(a) + uint32_t(stepA) * uint32_t(done)),
                              int32_t(uint32_t(b) + uint32_t(stepB) * uint32_t(done)), stepA, stepB, count - done);
}

void PrefetchRotatedPixels(const uint32_t* in, int32_t origin, int32_t pitch, int32_t a, int32_t b, int32_t stepA,
                           int32_t stepB, size_t count)
{
    size_t done = 0;
#ifdef SAVER_GATHER_AVX2
    if (HasAvx2())
        done = PrefetchRotatedPixelsAvx2(in, origin, pitch, a, b, stepA, stepB, count);
#endif
    a = int32_t(uint32_t(a) + uint32_t(stepA) * uint32_t(done));
    b = int32_t(uint32_t(b) + uint32_t(stepB) * uint32_t(done));
    for (; done < count; ++done, a += stepA, b += stepB)
        PrefetchLineForReading(in + int64_t(origin) + int64_t(b >> 16) * pitch + int64_t(a >> 16));
}

} // namespace saver
