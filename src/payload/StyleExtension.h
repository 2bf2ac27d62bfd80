#pragma once
// The style extension: the transition styles a picture payload enables
// beyond what its effect table can say (styles 123 to 150, and the excluded
// styles). It lies between the executable image and the first item block:
//
//   ... executable image | bitmap (n bytes) | n | CRC-32 | magic | item blocks | trailer
//                                                                 ^ first item start
//
// n is a little-endian int32 (1 to StyleBitmapMaxBytes), the CRC-32 (the
// zip/PNG polynomial) covers the bitmap and is stored little-endian, and
// the magic is the 8 bytes "QSTYLEX1". Bit i of the bitmap (byte i / 8,
// lowest bit first) enables style i; only styles 1 to LastStyle count.
//
// The trailer and the item blocks are exactly those of a payload without
// the extension, and the block walk from the trailer stops at the first
// item, so a reader that knows nothing of the extension never sees it.
// A reader that does looks for the footer right before the first item and
// takes the extension as absent unless magic, length and checksum agree.

#include "payload/PayloadFile.h"

#include <array>
#include <cstdint>
#include <vector>

namespace saver {

// The highest transition style number.
constexpr int LastStyle = 150;

constexpr int32_t StyleBitmapMaxBytes = 32;
constexpr std::array<uint8_t, 8> StyleExtensionMagic = {'Q', 'S', 'T', 'Y', 'L', 'E', 'X', '1'};
// Length, checksum and magic.
constexpr int64_t StyleExtensionFooterSize = 4 + 4 + StyleExtensionMagic.size();

// CRC-32 of the bytes, as zip and PNG compute it.
uint32_t Crc32(const uint8_t* data, size_t size);

// The extension bytes for the styles given (each 1 to LastStyle; others
// are left out); empty when none is left.
std::vector<uint8_t> BuildStyleExtension(const std::vector<int>& styles);

// The styles of an extension that ends at `end` (the start of the first
// item block), ascending; empty when there is none there or it is damaged.
std::vector<uint8_t> ReadStyleExtension(PayloadFile& file, int64_t end);

// Both ascending lists merged into one, ascending, without repeats.
std::vector<uint8_t> MergeStyles(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

} // namespace saver
