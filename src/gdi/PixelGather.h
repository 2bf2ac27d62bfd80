#pragma once
// Four-byte pixels picked by index from a row, for blits whose source
// pixels are not consecutive (squeezes, runs combined from a table). On
// processors with AVX2 eight pixels are picked at a time and stored as one
// vector: permuted out of a few whole vectors of the row where the eight lie
// close together, as a blit's columns mostly do, and gathered by one
// instruction elsewhere. Otherwise, and for the last few pixels, one by one.
// Both give the same pixels: the scalar loops are kept as the reference.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace saver {

// Columns to pick from many rows, prepared once: a blit's list of source
// columns serves every row it draws. Eight at a time, the columns are
// grouped by how close together they lie: eight within 8, 16 or 32
// consecutive pixels of the row (as a blit's columns mostly are) are
// permuted out of whole vectors, which costs a fraction of a gather; eight
// further apart are gathered.
class PixelPicks {
public:
    // Where one group's eight pixels are found: the `Window` pixels from
    // `Start`, or anywhere in the row (`Window` 0).
    struct Group {
        int32_t Start;
        int32_t Window;
    };

    PixelPicks() = default;
    // `index` lists the columns; each is below `rowSize`, the pixels every
    // row picked from holds (the vectors may read any of them).
    PixelPicks(std::vector<int32_t> index, size_t rowSize);

    size_t size() const { return index_.size(); }
    bool empty() const { return index_.empty(); }
    int32_t operator[](size_t i) const { return index_[i]; }
    const std::vector<int32_t>& Index() const { return index_; }
    // Per whole group of eight, where the processor has AVX2 (else none),
    // and each pick's offset into its group's window.
    const std::vector<Group>& Groups() const { return groups_; }
    const std::vector<int32_t>& Offsets() const { return offsets_; }

private:
    std::vector<int32_t> index_;
    std::vector<Group> groups_;
    std::vector<int32_t> offsets_;
};

// out[i] = in[picks[i]] for every pick, from a row as the picks were
// prepared for.
void GatherPixels(uint32_t* out, const uint32_t* in, const PixelPicks& picks);

// out[i] = (in[low[i]] & in[high[i]]) & 0xFFFFFF, with | for `And` false:
// the combination of two windows of a run, colour bits only, for i below
// the smaller count. With `ahead` (a row indexed as `in`, or null) its
// pixels at the same picks are asked for as the groups are picked: the
// row to be read next, while this one is read.
void CombinePixelPairs(uint32_t* out, const uint32_t* in, const PixelPicks& low, const PixelPicks& high, bool And,
                       const uint32_t* ahead);

// The pixels a rotation takes along a destination row: for j < count,
// out[j] = in[origin + (bj >> 16) * pitch + (aj >> 16)] with aj = a + j * stepA
// and bj = b + j * stepB, source coordinates in 16.16 stepped by additions.
// No aj or bj may leave 32 bits, and every index must be a pixel of `in`.
void GatherRotatedPixels(uint32_t* out, const uint32_t* in, int32_t origin, int32_t pitch, int32_t a, int32_t b,
                         int32_t stepA, int32_t stepB, size_t count);

// Asks for the cache lines of the same pixels as GatherRotatedPixels with
// the same arguments would read, to be read soon. A hint only: nothing is
// read or written.
void PrefetchRotatedPixels(const uint32_t* in, int32_t origin, int32_t pitch, int32_t a, int32_t b, int32_t stepA,
                           int32_t stepB, size_t count);

// The one-by-one loops, which the vector ones must match.
void GatherPixelsScalar(uint32_t* out, const uint32_t* in, const int32_t* index, size_t count);
void CombinePixelPairsScalar(uint32_t* out, const uint32_t* in, const int32_t* low, const int32_t* high,
                             size_t count, bool And);
void GatherRotatedPixelsScalar(uint32_t* out, const uint32_t* in, int32_t origin, int32_t pitch, int32_t a, int32_t b,
                               int32_t stepA, int32_t stepB, size_t count);

} // namespace saver
