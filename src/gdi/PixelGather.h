#pragma once
// Four-byte pixels picked by index from a row, for blits whose source
// pixels are not consecutive (squeezes, runs combined from a table). On
// processors with AVX2 eight pixels are fetched by one instruction and
// stored as one vector; elsewhere, and for the last few pixels, one by one.
// Both give the same pixels: the scalar loops are kept as the reference.

#include <cstddef>
#include <cstdint>

namespace saver {

// out[i] = in[index[i]] for i < count.
void GatherPixels(uint32_t* out, const uint32_t* in, const int32_t* index, size_t count);

// out[i] = (in[low[i]] & in[high[i]]) & 0xFFFFFF, with | for `And` false:
// the combination of two windows of a run, colour bits only.
void CombinePixelPairs(uint32_t* out, const uint32_t* in, const int32_t* low, const int32_t* high, size_t count,
                       bool And);

// The pixels a rotation takes along a destination row: for j < count,
// out[j] = in[origin + (bj >> 16) * pitch + (aj >> 16)] with aj = a + j * stepA
// and bj = b + j * stepB, source coordinates in 16.16 stepped by additions.
// No aj or bj may leave 32 bits, and every index must be a pixel of `in`.
void GatherRotatedPixels(uint32_t* out, const uint32_t* in, int32_t origin, int32_t pitch, int32_t a, int32_t b,
                         int32_t stepA, int32_t stepB, size_t count);

// The one-by-one loops, which the vector ones must match.
void GatherPixelsScalar(uint32_t* out, const uint32_t* in, const int32_t* index, size_t count);
void CombinePixelPairsScalar(uint32_t* out, const uint32_t* in, const int32_t* low, const int32_t* high,
                             size_t count, bool And);
void GatherRotatedPixelsScalar(uint32_t* out, const uint32_t* in, int32_t origin, int32_t pitch, int32_t a, int32_t b,
                               int32_t stepA, int32_t stepB, size_t count);

} // namespace saver
