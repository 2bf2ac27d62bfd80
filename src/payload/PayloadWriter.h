#pragma once
// The authoring side: appends item blocks and the trailer that describes
// them to a copy of the runtime executable.
//
// Besides well-formed payloads it can write unusual ones for tests: any
// marker byte, raw effect table and music type bytes, trailer counts that
// differ from the blocks given, and no limit checks at all.

#include "payload/Trailer.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <vector>

namespace saver {

using Bytes = std::vector<uint8_t>;

struct MusicItem {
    Bytes data{};
    uint8_t typeByte = MusicTypeMp3; // written as is, any value allowed
};

enum class LayoutCheck { Checked, Unchecked };

struct PayloadDescription {
    PayloadKind kind = PayloadKind::Picture;
    std::vector<Bytes> items{};     // pictures or movies, index order
    std::vector<MusicItem> music{}; // picture payload only
    int32_t exitMode = 4;
    int32_t pictureInterval = 5;  // picture payload only
    EffectTable effectTable{};    // raw entries, picture payload only
    // Styles for the style extension written before the first block; none
    // writes no extension.
    std::vector<int> extensionStyles{};

    // Raw trailer values; unset means the value that matches the blocks.
    std::optional<uint8_t> modeMarker{};  // 14 for pictures, 15 for Flash
    std::optional<uint8_t> musicMarker{}; // 14 when music is given, else 0
    std::optional<int32_t> itemCount{};   // written at offset 2
    std::optional<int32_t> musicCount{};  // written at offset 6
    // Every trailer byte the saver does not read.
    uint8_t fill = 0;
    LayoutCheck check = LayoutCheck::Checked;
};

// The music count M as a reader will see it: the written music count when
// the trailer's music marker is 14, otherwise 0.
int64_t TrailerMusicCount(const PayloadDescription& payload);

// Throws PayloadError when the layout breaks the trailer's limits:
// N + M <= 100 and M <= 58 for pictures, N <= 100 for Flash, no negative
// counts, no music in a Flash payload. Skipped for LayoutCheck::Unchecked,
// except that every block must fit a 32-bit size.
void CheckLayout(const PayloadDescription& payload);

// The 600-byte trailer. Head area fields are laid out for the music count
// the reader will see; parts that would leave the head area are dropped. The
// size area lists the sizes of the blocks given (items, then music), at most
// 100 of them.
std::array<uint8_t, TrailerSize> BuildTrailer(const PayloadDescription& payload);

// Writes the style extension (when there are extension styles), the blocks
// (music then pictures, or movies) and the trailer.
void WritePayload(std::ostream& out, const PayloadDescription& payload);

// Copies the runtime and appends the payload. The file is written under a
// temporary name next to `out` and renamed at the end, so a failure leaves
// no partial output behind.
void WritePayloadFile(const std::filesystem::path& runtime, const std::filesystem::path& out,
                      const PayloadDescription& payload);

} // namespace saver
