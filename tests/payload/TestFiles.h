#pragma once
// Helpers for payload tests: a scratch folder per test, small files, and a
// real JPEG encoded on the spot so that no binary is shipped with the tests.

#include "payload/PayloadWriter.h"

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <span>

namespace saver::test {

// A fresh, empty folder for the running test under the build tree.
std::filesystem::path ScratchDir();

void WriteFile(const std::filesystem::path& path, const Bytes& bytes);
Bytes ReadFile(const std::filesystem::path& path);

// A valid 8x8 greyscale JPEG (about 340 bytes), padded to `size` when that
// is larger; the header parse only looks at the start.
Bytes TinyJpeg(size_t size = 0);

// Bytes whose values follow their position, so misplaced blocks show. A
// Flash movie is the same with the zlib movie signature "CWS" in front.
Bytes Pattern(size_t size, uint8_t seed);
Bytes FlashMovie(size_t size);

// Writes dir/runtime.exe of `runtimeSize` bytes and dir/saver.scr, the
// runtime with `payload` appended; returns the path of the latter.
std::filesystem::path WriteSaver(const std::filesystem::path& dir, const PayloadDescription& payload,
                                 size_t runtimeSize = 1024);

uint32_t LittleEndian32(std::span<const uint8_t> bytes, size_t offset);

// Parameter structs carry a name, used for test names and failure output.
template <typename T>
    requires requires(const T& c) { c.name; }
void PrintTo(const T& c, std::ostream* os)
{
    *os << c.name;
}
inline constexpr auto CaseName = [](const auto& info) { return std::string(info.param.name); };

} // namespace saver::test
