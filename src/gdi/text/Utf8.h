#pragma once
// Decoding UTF-8 text one code point at a time. Malformed input (a stray
// continuation byte, a truncated or overlong sequence, a surrogate, a value
// past U+10FFFF) yields U+FFFD for its first byte and decoding goes on at the
// next byte, so every byte is read at most once and never past the end.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace saver::text {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// The code point starting at `pos`, advancing `pos` past it; pos < text.size().
constexpr char32_t NextCodePoint(std::string_view text, size_t& pos)
{
    const auto byte = [&](size_t i) { return uint8_t(text[i]); };
    const uint8_t lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    }
    if (length == 0 || text.size() - pos < length) {
        ++pos;
        return kReplacementCharacter;
    }
    for (size_t i = 1; i < length; ++i) {
        const uint8_t next = byte(pos + i);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return kReplacementCharacter;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++pos;
        return kReplacementCharacter;
    }
    pos += length;
    return value;
}

} // namespace saver::text
