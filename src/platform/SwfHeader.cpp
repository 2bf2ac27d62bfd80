#include "platform/SwfHeader.h"

#include "core/Error.h"
#include "core/Utf8Path.h"

#if SAVER_HAVE_LZMA
#include <lzma.h>
#endif
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace saver {
namespace {

// Enough of the body for the header and the tags before the first frame.
constexpr size_t kBodyLimit = 64 * 1024;
// Enough of a compressed file to yield kBodyLimit bytes.
constexpr size_t kFileLimit = 4u << 20;
constexpr size_t kFileHeader = 8; // signature, version, file length

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

struct Body {
    std::vector<uint8_t> Bytes;
    bool Damaged = false; // decompression stopped on bad data
};

Body Inflate(const uint8_t* data, size_t size)
{
    Body body;
    body.Bytes.resize(kBodyLimit);
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        throw Exception("Cannot start the zlib decompressor");
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = uInt(size);
    z.next_out = body.Bytes.data();
    z.avail_out = uInt(body.Bytes.size());
    int rc = Z_OK;
    while (rc == Z_OK && z.avail_out > 0 && z.avail_in > 0)
        rc = inflate(&z, Z_NO_FLUSH);
    body.Damaged = rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR;
    body.Bytes.resize(z.total_out);
    inflateEnd(&z);
    return body;
}

#if SAVER_HAVE_LZMA
// The movie's LZMA data is a raw LZMA stream with 5 property bytes in front;
// liblzma reads it as a ".lzma" file once the uncompressed size is put
// between the properties and the data.
Body InflateLzma(const uint8_t* properties, const uint8_t* data, size_t size, uint64_t bodyLength)
{
    Body body;
    body.Bytes.resize(kBodyLimit);
    lzma_stream z = LZMA_STREAM_INIT;
    if (lzma_alone_decoder(&z, UINT64_MAX) != LZMA_OK)
        throw Exception("Cannot start the LZMA decompressor");
    std::array<uint8_t, 13> header{};
    std::memcpy(header.data(), properties, 5);
    // The decoder allocates the dictionary the properties ask for, up to
    // 4 GiB. No more than kBodyLimit bytes are decoded, so no match reaches
    // further back than that: a larger dictionary is never used.
    if (Le32(properties + 1) > kBodyLimit)
        for (int i = 0; i < 4; ++i)
            header[size_t(1 + i)] = uint8_t(kBodyLimit >> (8 * i));
    for (int i = 0; i < 8; ++i)
        header[size_t(5 + i)] = uint8_t(bodyLength >> (8 * i));
    z.next_out = body.Bytes.data();
    z.avail_out = body.Bytes.size();
    lzma_ret rc = LZMA_OK;
    const std::pair<const uint8_t*, size_t> parts[] = {{header.data(), header.size()}, {data, size}};
    for (const auto& [in, n] : parts) {
        z.next_in = in;
        z.avail_in = n;
        while (rc == LZMA_OK && z.avail_out > 0 && z.avail_in > 0)
            rc = lzma_code(&z, LZMA_RUN);
        if (rc != LZMA_OK)
            break;
    }
    body.Damaged = rc != LZMA_OK && rc != LZMA_STREAM_END;
    body.Bytes.resize(size_t(z.total_out));
    lzma_end(&z);
    return body;
}
#else
// Without liblzma (the Windows build, where the real Flash control reads the
// movies) an LZMA movie cannot be looked into.
Body InflateLzma(const uint8_t*, const uint8_t*, size_t, uint64_t)
{
    throw Exception("LZMA-compressed movies cannot be read in this build");
}
#endif

// Reads the bit fields of the stage rectangle, most significant bit first.
class BitReader {
public:
    explicit BitReader(const std::vector<uint8_t>& bytes) : m_bytes(bytes) {}
    bool Unsigned(int bits, uint32_t& value)
    {
        value = 0;
        for (int i = 0; i < bits; ++i) {
            const size_t byte = m_bit / 8;
            if (byte >= m_bytes.size())
                return false;
            value = value << 1 | ((m_bytes[byte] >> (7 - m_bit % 8)) & 1);
            ++m_bit;
        }
        return true;
    }
    bool Signed(int bits, int32_t& value)
    {
        uint32_t raw = 0;
        if (!Unsigned(bits, raw))
            return false;
        // Sign-extend from the field's top bit.
        value = bits == 0 ? 0 : int32_t(raw << (32 - bits)) >> (32 - bits);
        return true;
    }
    [[nodiscard]] size_t NextByte() const { return (m_bit + 7) / 8; }

private:
    const std::vector<uint8_t>& m_bytes;
    size_t m_bit = 0;
};

} // namespace

SwfHeader ParseSwfHeader(const std::vector<uint8_t>& file, const std::string& name)
{
    if (file.size() < 3 || (file[0] != 'F' && file[0] != 'C' && file[0] != 'Z') || file[1] != 'W' || file[2] != 'S')
        throw Exception("'" + name + "' is not a Flash movie (no FWS, CWS or ZWS signature)");
    if (file.size() < kFileHeader)
        throw Exception("'" + name + "' is a truncated Flash movie (incomplete file header)");
    SwfHeader header;
    header.Compression = char(file[0]);
    header.Version = file[3];
    header.FileLength = Le32(file.data() + 4);

    Body body;
    if (header.Compression == 'F') {
        body.Bytes.assign(file.begin() + kFileHeader, file.begin() + std::min(file.size(), kFileHeader + kBodyLimit));
    } else if (header.Compression == 'C') {
        body = Inflate(file.data() + kFileHeader, file.size() - kFileHeader);
    } else {
        // Then: compressed size (4 bytes), LZMA properties (5), LZMA data.
        constexpr size_t kLzmaStart = kFileHeader + 4 + 5;
        if (file.size() < kLzmaStart)
            throw Exception("'" + name + "' is a truncated Flash movie (incomplete LZMA header)");
        const uint64_t bodyLength = header.FileLength >= kFileHeader ? header.FileLength - kFileHeader : UINT64_MAX;
        body = InflateLzma(file.data() + kFileHeader + 4, file.data() + kLzmaStart, file.size() - kLzmaStart,
                           bodyLength);
    }
    const std::string shortBody = body.Damaged ? "'" + name + "' is a damaged Flash movie (bad compressed data)"
                                               : "'" + name + "' is a truncated Flash movie (header incomplete)";

    // Stage rectangle: a 5-bit field width, then Xmin, Xmax, Ymin, Ymax.
    BitReader bits(body.Bytes);
    uint32_t fieldBits = 0;
    int32_t rect[4] = {};
    if (!bits.Unsigned(5, fieldBits))
        throw Exception(shortBody);
    for (int32_t& v : rect)
        if (!bits.Signed(int(fieldBits), v))
            throw Exception(shortBody);
    header.StageTwips = {rect[0], rect[2], rect[1], rect[3]};
    size_t at = bits.NextByte();
    if (body.Bytes.size() < at + 4)
        throw Exception(shortBody);
    header.FrameRate = uint16_t(body.Bytes[at] | body.Bytes[at + 1] << 8);
    header.FrameCount = uint16_t(body.Bytes[at + 2] | body.Bytes[at + 3] << 8);
    at += 4;

    // Tags up to the first ShowFrame (1) or End (0): the background colour is
    // one of the first.
    constexpr uint16_t kEnd = 0, kShowFrame = 1, kSetBackgroundColor = 9;
    while (at + 2 <= body.Bytes.size()) {
        const uint16_t codeAndLength = uint16_t(body.Bytes[at] | body.Bytes[at + 1] << 8);
        const uint16_t code = codeAndLength >> 6;
        uint64_t length = codeAndLength & 0x3F;
        at += 2;
        if (length == 0x3F) {
            if (at + 4 > body.Bytes.size())
                break;
            length = Le32(body.Bytes.data() + at);
            at += 4;
        }
        if (code == kEnd || code == kShowFrame)
            break;
        if (code == kSetBackgroundColor && length >= 3 && at + 3 <= body.Bytes.size()) {
            header.Background = RGB(body.Bytes[at], body.Bytes[at + 1], body.Bytes[at + 2]);
            break;
        }
        at += size_t(std::min<uint64_t>(length, body.Bytes.size()));
    }
    return header;
}

SwfHeader ReadSwfHeader(const std::string& path)
{
    const std::filesystem::path file = Utf8Path(path);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        throw Exception("Cannot open movie '" + path + "': " +
                        (std::filesystem::exists(file, ec) ? "not a regular file" : "no such file"));
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw Exception("Cannot open movie '" + path + "': " + std::strerror(errno));
    std::vector<uint8_t> bytes(kFileLimit);
    in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
    if (in.bad())
        throw Exception("Cannot read movie '" + path + "'");
    bytes.resize(size_t(in.gcount()));
    return ParseSwfHeader(bytes, path);
}

} // namespace saver
