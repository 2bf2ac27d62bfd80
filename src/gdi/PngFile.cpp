#include "gdi/PngFile.h"

#include "core/Error.h"
#include "gdi/Bitmap.h"

#include <zlib.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace saver {
namespace {

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(value >> shift));
}

// One chunk: length, type, data, and the CRC over type and data.
void AppendChunk(std::vector<uint8_t>& out, const char (&type)[5], const std::vector<uint8_t>& data)
{
    PutBigEndian(out, uint32_t(data.size()));
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, out.data() + typeAt, uInt(out.size() - typeAt));
    PutBigEndian(out, uint32_t(crc));
}

} // namespace

void SavePng(const Bitmap& bitmap, const std::string& path)
{
    // 8-bit RGB rows, each behind filter byte 0 (none), deflated at a fast level.
    const size_t rowBytes = size_t(bitmap.Width()) * 3 + 1;
    std::vector<uint8_t> raw(rowBytes * size_t(bitmap.Height()));
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        uint8_t* row = raw.data() + size_t(y) * rowBytes;
        row[0] = 0;
        for (int32_t x = 0; x < bitmap.Width(); ++x) {
            const TColor c = bitmap.GetPixel(x, y);
            row[1 + size_t(x) * 3] = GetRValue(c);
            row[2 + size_t(x) * 3] = GetGValue(c);
            row[3 + size_t(x) * 3] = GetBValue(c);
        }
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), 1) != Z_OK)
        throw Exception("Out of memory writing " + path);
    packed.resize(packedSize);

    std::vector<uint8_t> header;
    PutBigEndian(header, uint32_t(bitmap.Width()));
    PutBigEndian(header, uint32_t(bitmap.Height()));
    header.insert(header.end(), {8, 2, 0, 0, 0}); // depth 8, RGB, deflate, adaptive filters, no interlace

    std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    AppendChunk(file, "IHDR", header);
    AppendChunk(file, "IDAT", packed);
    AppendChunk(file, "IEND", {});

    std::unique_ptr<FILE, int (*)(FILE*)> out(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!out)
        throw Exception("Cannot create " + path);
    if (std::fwrite(file.data(), 1, file.size(), out.get()) != file.size() || std::fflush(out.get()) != 0)
        throw Exception("Cannot write " + path);
}

} // namespace saver
