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

// The one-by-one loops, which the vector ones must match.
void GatherPixelsScalar(uint32_t* out, const uint32_t* in, const int32_t* index, size_t count);
void CombinePixelPairsScalar(uint32_t* out, const uint32_t* in, const int32_t* low, const int32_t* high,
                             size_t count, bool And);

} // namespace saver
