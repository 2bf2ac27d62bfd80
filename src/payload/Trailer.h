#pragma once
// The payload appended to the runtime executable and the fixed 600-byte
// trailer at the very end of the file that describes it.
//
// Layout, counted back from the end of a file of length L:
//
//   ... executable image ... | item blocks | head area (200) | size area (400) |
//                                         S = L - 600                          L
//
// Picture payload blocks: music 0 .. M-1, then pictures 0 .. N-1.
// Flash payload blocks:   movies 0 .. N-1.
//
// Head area, offsets relative to S (M is the music count when the music
// marker is 14, otherwise 0):
//
//   0 ModeMarker (14 = picture payload, anything else = Flash payload)
//   1 MusicMarker (14 = music present)        picture payload only
//   2 ItemCount (int32)
//   6 MusicCount (int32)                      only when MusicMarker is 14
//  10 ExitMode (int32)
//  14 MusicTypes, M bytes                     picture payload only
//  14+M PictureInterval (int32)               picture payload only
//  18+M one byte nobody interprets
//  19+M EffectTable, 123 bytes                picture payload only
//
// Size area at 200: item sizes 0 .. N-1, then music sizes 0 .. M-1 (int32 each).
// All integers are little-endian 32-bit signed; single bytes are unsigned.

#include "payload/PayloadFile.h"
#include "payload/StyleExtension.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace saver {

constexpr int32_t HeadAreaSize = 200;
constexpr int32_t SizeAreaSize = 400;
constexpr int32_t TrailerSize = HeadAreaSize + SizeAreaSize;
constexpr int32_t SizeAreaEntries = SizeAreaSize / 4;

// The value of ModeMarker that means "picture payload" and of MusicMarker
// that means "music present".
constexpr uint8_t PictureMarker = 14;

// Entry i of the effect table stands for transition style i.
constexpr int32_t EffectTableSize = 123;

// The head area must hold the music types, the interval, the uninterpreted
// byte and the effect table: 19 + M + 123 <= 200.
constexpr int32_t MaxMusicCount = HeadAreaSize - 19 - EffectTableSize;

// Music type bytes and the extension of the extracted file.
constexpr uint8_t MusicTypeMidi = '0';
constexpr uint8_t MusicTypeMp3 = '1';
constexpr uint8_t MusicTypeWav = '2';

// ".mid", ".mp3", ".wav", or an empty view for a byte that names no type.
std::string_view MusicTypeExtension(uint8_t typeByte);

// Field offsets relative to the start of the trailer.
namespace TrailerOffset {
constexpr int32_t ModeMarker = 0;
constexpr int32_t MusicMarker = 1;
constexpr int32_t ItemCount = 2;
constexpr int32_t MusicCount = 6;
constexpr int32_t ExitMode = 10;
constexpr int32_t MusicTypes = 14;
constexpr int32_t FlashUninterpreted = 14;
constexpr int32_t SizeArea = HeadAreaSize;

constexpr int64_t PictureInterval(int64_t musicCount) { return 14 + musicCount; }
constexpr int64_t PictureUninterpreted(int64_t musicCount) { return 18 + musicCount; }
constexpr int64_t EffectTable(int64_t musicCount) { return 19 + musicCount; }
} // namespace TrailerOffset

// A set of style numbers 0 to 127, one bit each.
class StyleSet {
public:
    constexpr StyleSet() = default;
    constexpr StyleSet(std::initializer_list<int> styles)
    {
        for (int style : styles)
            Add(style);
    }

    constexpr void Add(int style)
    {
        if (style >= 0 && style < 128)
            m_bits[style / 64] |= uint64_t{1} << (style % 64);
    }
    [[nodiscard]] constexpr bool Contains(int style) const
    {
        return style >= 0 && style < 128 && (m_bits[style / 64] >> (style % 64)) & 1;
    }

    // 16 bytes, lowest style number in the lowest bit of byte 0.
    [[nodiscard]] constexpr std::array<uint8_t, 16> Bytes() const
    {
        std::array<uint8_t, 16> bytes{};
        for (int i = 0; i < 16; ++i)
            bytes[i] = static_cast<uint8_t>(m_bits[i / 8] >> (8 * (i % 8)));
        return bytes;
    }

private:
    std::array<uint64_t, 2> m_bits{};
};

// Styles the saver never enables, whatever the effect table holds.
constexpr StyleSet ExcludedStyles{7,  9,  16, 17, 24, 25, 26,  27,  33, 34,
                                  47, 48, 49, 50, 51, 119, 120, 121, 122};

using EffectTable = std::array<uint8_t, EffectTableSize>;

// Style numbers whose entry is exactly 1 and that are not excluded, ascending.
std::vector<uint8_t> EnabledStyles(const EffectTable& table);

// Start of the trailer, S = L - 600; negative when the file is too short to
// hold one, so that every read relative to it fails.
[[nodiscard]] inline int64_t TrailerStart(const PayloadFile& file) { return file.Length() - TrailerSize; }

// The size area walk: a running distance D from the end of the file,
// starting at SizeAreaSize. Item sizes come first, then, for a picture
// payload, music sizes with the same running distance.
class SizeAreaWalk {
public:
    explicit SizeAreaWalk(PayloadFile& file) : m_file(file) {}

    // Reads the entry at L - D and moves D on by 4. An entry at or past the
    // end of the file (more than 100 entries) throws.
    int32_t Next();
    [[nodiscard]] int64_t Distance() const { return m_distance; }

private:
    PayloadFile& m_file;
    int64_t m_distance = SizeAreaSize;
};

// Reads `count` entries from the walk. A negative count throws; the result
// grows entry by entry, so a huge count fails at the end of the size area
// without a large allocation.
std::vector<int32_t> ReadSizes(SizeAreaWalk& walk, int32_t count);

// The block location walk: a running distance E from the end of the file,
// starting at TrailerSize. Items are visited from the last to the first:
// pictures or movies N-1 .. 0, then music M-1 .. 0.
class BlockWalk {
public:
    explicit BlockWalk(int64_t fileLength) : m_length(fileLength) {}

    // Steps back over a block of the given size and returns its absolute
    // start, L - E. A negative size or a start before the beginning of the
    // file throws.
    int64_t Next(int32_t size);
    [[nodiscard]] int64_t Distance() const { return m_distance; }

private:
    int64_t m_length;
    int64_t m_distance = TrailerSize;
};

// The M music type bytes at S + 14. A negative count, or one that reaches
// past the end of the file, throws before anything is allocated.
std::vector<uint8_t> ReadMusicTypes(PayloadFile& file, int32_t musicCount);

// The 123 effect table bytes at S + 19 + M, for a music count M already
// read through ReadMusicTypes.
EffectTable ReadEffectTable(PayloadFile& file, int32_t musicCount);

enum class PayloadKind { Picture, Flash };
enum class ItemKind { Picture, Music, Movie };

struct PayloadItem {
    ItemKind kind = ItemKind::Picture;
    int32_t index = 0;
    int32_t size = 0;
    int64_t start = 0;   // absolute file offset
    int64_t fromEnd = 0; // L - start
};

// Everything a trailer says, as the saver reads it.
struct TrailerContents {
    PayloadKind kind = PayloadKind::Flash;
    uint8_t modeMarker = 0;
    uint8_t musicMarker = 0;
    int32_t itemCount = 0;
    int32_t musicCount = 0; // M: 0 unless the music marker is 14
    int32_t exitMode = 0;
    int32_t pictureInterval = 0;           // picture payload only
    std::vector<uint8_t> musicTypes;       // picture payload only
    EffectTable effectTable{};             // picture payload only
    std::vector<uint8_t> enabledStyles;    // picture payload only, from the effect table
    std::vector<uint8_t> extensionStyles;  // picture payload only, from the style extension
    std::vector<PayloadItem> items;        // pictures or movies 0..N-1, then music 0..M-1
};

// Reads the whole trailer, locates every block and, for a picture payload,
// reads the style extension before the first block. Throws PayloadError when
// the file cannot hold what the trailer describes.
TrailerContents ReadTrailer(PayloadFile& file);

// Every style the saver draws from: the effect table's and the extension's.
[[nodiscard]] inline std::vector<uint8_t> PlayedStyles(const TrailerContents& t)
{
    return MergeStyles(t.enabledStyles, t.extensionStyles);
}

} // namespace saver
