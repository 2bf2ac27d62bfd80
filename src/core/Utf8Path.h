#pragma once
// File paths from and to the runtime's UTF-8 text. A path made from a plain
// std::string reads it in the ANSI code page on Windows (and path::string()
// writes it back in that code page); through char8_t it is UTF-8 on every
// system, and passed through unchanged on POSIX.

#include <filesystem>
#include <string>
#include <string_view>

namespace saver {

// On Windows, malformed UTF-8 throws std::filesystem::filesystem_error.
inline std::filesystem::path Utf8Path(std::string_view text)
{
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8Text(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace saver
