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

#ifdef SAVER_GATHER_AVX2
namespace {

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
        const __m256i a = _mm256_i32gather_epi32(
            base, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(low + i)), 4);
        const __m256i b = _mm256_i32gather_epi32(
            base, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(high + i)), 4);
        const __m256i v = And ? _mm256_and_si256(a, b) : _mm256_or_si256(a, b);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_and_si256(v, colour));
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

} // namespace saver
