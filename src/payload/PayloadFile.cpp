#include "payload/PayloadFile.h"

#include "core/Utf8Path.h"

#include <string>

namespace saver {

PayloadFile::PayloadFile(const std::filesystem::path& path)
    : m_path(path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw PayloadError("Cannot open " + Utf8Text(path) + ": not a regular file");
    m_stream.open(path, std::ios::binary | std::ios::in);
    if (!m_stream)
        throw PayloadError("Cannot open " + Utf8Text(path) + " for reading");
    m_stream.seekg(0, std::ios::end);
    const std::streamoff end = m_stream.tellg();
    if (!m_stream || end < 0)
        throw PayloadError("Cannot determine the length of " + Utf8Text(path));
    m_length = static_cast<int64_t>(end);
}

void PayloadFile::CheckRange(int64_t position, int64_t count) const
{
    // Written so that no sum can overflow: count <= L - position.
    if (count < 0 || position < 0 || position > m_length || count > m_length - position)
        throw PayloadError("Read of " + std::to_string(count) + " bytes at offset " + std::to_string(position) +
                           " lies outside the file (length " + std::to_string(m_length) + ")");
}

void PayloadFile::Read(int64_t position, std::span<uint8_t> out)
{
    const auto count = static_cast<int64_t>(out.size());
    CheckRange(position, count);
    if (count == 0)
        return;
    m_stream.clear();
    m_stream.seekg(static_cast<std::streamoff>(position), std::ios::beg);
    m_stream.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(count));
    const auto got = static_cast<int64_t>(m_stream.gcount());
    if (got != count)
        throw PayloadError("Short read: " + std::to_string(got) + " of " + std::to_string(count) +
                           " bytes at offset " + std::to_string(position));
}

uint8_t PayloadFile::ReadByte(int64_t position)
{
    uint8_t byte = 0;
    Read(position, std::span(&byte, 1));
    return byte;
}

int32_t PayloadFile::ReadInt32(int64_t position)
{
    uint8_t b[4];
    Read(position, b);
    const uint32_t value = uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
    return static_cast<int32_t>(value);
}

std::vector<uint8_t> PayloadFile::ReadBlock(int64_t position, int64_t count)
{
    std::vector<uint8_t> block;
    ReadBlock(position, count, block);
    return block;
}

void PayloadFile::ReadBlock(int64_t position, int64_t count, std::vector<uint8_t>& out)
{
    CheckRange(position, count);
    out.resize(static_cast<size_t>(count));
    Read(position, out);
}

std::vector<uint8_t> PayloadFile::ReadToEnd(int64_t position)
{
    CheckRange(position, 0);
    return ReadBlock(position, m_length - position);
}

} // namespace saver
