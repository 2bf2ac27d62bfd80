#include "payload/JpegHeader.h"

#include "payload/Trailer.h"

#include <algorithm>

namespace saver {

namespace {

bool StartsWith(std::span<const uint8_t> bytes, size_t offset, std::string_view text)
{
    return bytes.size() >= offset + text.size() && std::equal(text.begin(), text.end(), bytes.begin() + offset);
}

// An MPEG audio frame header at `offset`: the 11-bit sync, then no reserved
// version, layer, bit rate or sample rate.
bool IsMpegFrame(std::span<const uint8_t> bytes, size_t offset)
{
    if (bytes.size() < offset + 4 || bytes[offset] != 0xFF || (bytes[offset + 1] & 0xE0) != 0xE0)
        return false;
    const int version = (bytes[offset + 1] >> 3) & 3;
    const int layer = (bytes[offset + 1] >> 1) & 3;
    const int bitRate = bytes[offset + 2] >> 4;
    const int sampleRate = (bytes[offset + 2] >> 2) & 3;
    return version != 1 && layer != 0 && bitRate != 15 && sampleRate != 3;
}

// The offset of the first frame after an ID3v2 tag at the start: its
// 10-byte header, the synchsafe size, and a 10-byte footer when flagged.
std::optional<size_t> AfterId3Tag(std::span<const uint8_t> bytes)
{
    if (!StartsWith(bytes, 0, "ID3") || bytes.size() < 10)
        return std::nullopt;
    size_t size = 0;
    for (size_t i = 6; i < 10; ++i) {
        if (bytes[i] & 0x80)
            return std::nullopt;
        size = size << 7 | bytes[i];
    }
    const bool footer = bytes[5] & 0x10;
    return 10 + size + (footer ? 10 : 0);
}

} // namespace

bool IsFlashMovie(std::span<const uint8_t> bytes)
{
    if (bytes.size() < 3 || bytes[1] != 'W' || bytes[2] != 'S')
        return false;
    return bytes[0] == 'F' || bytes[0] == 'C' || bytes[0] == 'Z';
}

std::optional<uint8_t> MusicTypeOfContent(std::span<const uint8_t> bytes)
{
    if (StartsWith(bytes, 0, "MThd"))
        return MusicTypeMidi;
    if (StartsWith(bytes, 0, "RIFF") && StartsWith(bytes, 8, "WAVE"))
        return MusicTypeWav;
    const std::optional<size_t> firstFrame = AfterId3Tag(bytes);
    if (IsMpegFrame(bytes, firstFrame.value_or(0)))
        return MusicTypeMp3;
    return std::nullopt;
}

} // namespace saver
