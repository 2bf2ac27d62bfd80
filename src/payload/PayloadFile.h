#pragma once
// Read-only random access to a payload file by absolute position.

#include "core/Error.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <vector>

namespace saver {

// Any failure to read or describe a payload.
class PayloadError : public Exception {
public:
    using Exception::Exception;
};

// Every read that is short or reaches outside [0, Length()) throws
// PayloadError. Buffers are sized only after their range has been checked
// against the file, so a corrupt size or count never turns into a large
// allocation.
class PayloadFile {
public:
    // Opens the file read-only; throws PayloadError when it cannot.
    explicit PayloadFile(const std::filesystem::path& path);

    [[nodiscard]] int64_t Length() const { return m_length; }

    void Read(int64_t position, std::span<uint8_t> out);
    uint8_t ReadByte(int64_t position);
    // A 32-bit signed little-endian integer.
    int32_t ReadInt32(int64_t position);
    std::vector<uint8_t> ReadBlock(int64_t position, int64_t count);
    // The same into `out`, so that one buffer serves block after block
    // without new memory for each.
    void ReadBlock(int64_t position, int64_t count, std::vector<uint8_t>& out);
    // Every byte from position to the end of the file.
    std::vector<uint8_t> ReadToEnd(int64_t position);

private:
    void CheckRange(int64_t position, int64_t count) const;

    std::filesystem::path m_path;
    std::ifstream m_stream;
    int64_t m_length = 0;
};

} // namespace saver
