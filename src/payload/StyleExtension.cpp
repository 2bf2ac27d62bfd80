#include "payload/StyleExtension.h"

#include <algorithm>
#include <iterator>

namespace saver {

namespace {

void PutUint32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint32_t GetUint32(const uint8_t* bytes)
{
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
}

} // namespace

uint32_t Crc32(const uint8_t* data, size_t size)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::vector<uint8_t> BuildStyleExtension(const std::vector<int>& styles)
{
    std::vector<uint8_t> bitmap;
    for (int style : styles) {
        if (style < 1 || style > LastStyle)
            continue;
        const size_t byte = static_cast<size_t>(style) / 8;
        if (bitmap.size() <= byte)
            bitmap.resize(byte + 1);
        bitmap[byte] |= static_cast<uint8_t>(1u << (style % 8));
    }
    if (bitmap.empty())
        return bitmap;
    std::vector<uint8_t> out = bitmap;
    PutUint32(out, static_cast<uint32_t>(bitmap.size()));
    PutUint32(out, Crc32(bitmap.data(), bitmap.size()));
    out.insert(out.end(), StyleExtensionMagic.begin(), StyleExtensionMagic.end());
    return out;
}

std::vector<uint8_t> ReadStyleExtension(PayloadFile& file, int64_t end)
{
    if (end < StyleExtensionFooterSize || end > file.Length())
        return {};
    try {
        std::array<uint8_t, StyleExtensionFooterSize> footer{};
        file.Read(end - StyleExtensionFooterSize, footer);
        if (!std::equal(StyleExtensionMagic.begin(), StyleExtensionMagic.end(), footer.begin() + 8))
            return {};
        const int64_t length = GetUint32(footer.data());
        if (length < 1 || length > StyleBitmapMaxBytes || length > end - StyleExtensionFooterSize)
            return {};
        const std::vector<uint8_t> bitmap = file.ReadBlock(end - StyleExtensionFooterSize - length, length);
        if (Crc32(bitmap.data(), bitmap.size()) != GetUint32(footer.data() + 4))
            return {};
        std::vector<uint8_t> styles;
        for (int style = 1; style <= LastStyle && style / 8 < length; ++style) {
            if (bitmap[size_t(style / 8)] >> (style % 8) & 1)
                styles.push_back(static_cast<uint8_t>(style));
        }
        return styles;
    } catch (const PayloadError&) {
        return {};
    }
}

std::vector<uint8_t> MergeStyles(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    std::vector<uint8_t> merged;
    std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(merged));
    return merged;
}

} // namespace saver
