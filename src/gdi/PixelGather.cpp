#include "gdi/PixelGather.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define SAVER_GATHER_AVX2 1
#endif

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

constexpr uintptr_t kPrefetchAhead = 512;

// Whole vectors of eight; returns how many pixels were done.
[[gnu::target("avx2")]] size_t GatherPixelsAvx2(uint32_t* out, const uint32_t* in, const int32_t* index, size_t count)
{
    const auto* base = reinterpret_cast<const int*>(in);
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i at = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(index + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_i32gather_epi32(base, at, 4));
    }
    return i;
}

[[gnu::target("avx2")]] size_t CombinePixelPairsAvx2(uint32_t* out, const uint32_t* in, const int32_t* low,
                                                     const int32_t* high, size_t count, bool And)
{
    const auto* base = reinterpret_cast<const int*>(in);
    const __m256i colour = _mm256_set1_epi32(0xFFFFFF);
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        // A shrinking blit gathers from its source row straight from
        // memory; asking for the row a few cache lines ahead measured
        // faster than leaving it to the hardware. A prefetch never faults,
        // so it may reach past the row.
        _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(in + low[i]) + kPrefetchAhead),
                     _MM_HINT_T0);
        const __m256i a = _mm256_i32gather_epi32(
            base, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(low + i)), 4);
        const __m256i b = _mm256_i32gather_epi32(
            base, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(high + i)), 4);
        const __m256i v = And ? _mm256_and_si256(a, b) : _mm256_or_si256(a, b);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_and_si256(v, colour));
    }
    return i;
}

[[gnu::target("avx2")]] size_t GatherRotatedPixelsAvx2(uint32_t* out, const uint32_t* in, int32_t origin,
                                                       int32_t pitch, int32_t a, int32_t b, int32_t stepA,
                                                       int32_t stepB, size_t count)
{
    const auto* base = reinterpret_cast<const int*>(in);
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    __m256i va = _mm256_add_epi32(_mm256_set1_epi32(a), _mm256_mullo_epi32(lanes, _mm256_set1_epi32(stepA)));
    __m256i vb = _mm256_add_epi32(_mm256_set1_epi32(b), _mm256_mullo_epi32(lanes, _mm256_set1_epi32(stepB)));
    const __m256i stepA8 = _mm256_set1_epi32(int32_t(uint32_t(stepA) * 8u));
    const __m256i stepB8 = _mm256_set1_epi32(int32_t(uint32_t(stepB) * 8u));
    const __m256i vorigin = _mm256_set1_epi32(origin), vpitch = _mm256_set1_epi32(pitch);
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        // The index is a pixel of the picture, so its 32-bit sum is exact.
        const __m256i at = _mm256_add_epi32(
            _mm256_add_epi32(vorigin, _mm256_mullo_epi32(_mm256_srai_epi32(vb, 16), vpitch)),
            _mm256_srai_epi32(va, 16));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_i32gather_epi32(base, at, 4));
        va = _mm256_add_epi32(va, stepA8);
        vb = _mm256_add_epi32(vb, stepB8);
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

void GatherPixels(uint32_t* out, const uint32_t* in, const int32_t* index, size_t count)
{
    size_t done = 0;
#ifdef SAVER_GATHER_AVX2
    if (HasAvx2())
        done = GatherPixelsAvx2(out, in, index, count);
#endif
    GatherPixelsScalar(out + done, in, index + done, count - done);
}

void CombinePixelPairs(uint32_t* out, const uint32_t* in, const int32_t* low, const int32_t* high, size_t count,
                       bool And)
{
    size_t done = 0;
#ifdef SAVER_GATHER_AVX2
    if (HasAvx2())
        done = CombinePixelPairsAvx2(out, in, low, high, count, And);
#endif
    CombinePixelPairsScalar(out + done, in, low + done, high + done, count - done, And);
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

} // namespace saver
