#pragma once
// Finding font files with fontconfig. Windows face names ("Arial", "黑体")
// resolve through the saver's alias file, which the matcher adds to its own
// configuration when the system configuration does not already include it.

#include <optional>
#include <string>
#include <string_view>

struct _FcConfig;

namespace saver::text {

struct FontFile {
    std::string Path;
    int Index = 0;      // face index inside a collection file
    std::string Family; // the family name the face reports first
};

struct FaceRequest {
    std::string_view Name; // UTF-8; empty asks for the default face
    bool Bold = false;
    bool Italic = false;
};

// Not thread-safe: the glyph renderer calls it under its lock.
class FontMatcher {
public:
    FontMatcher();
    ~FontMatcher();
    FontMatcher(const FontMatcher&) = delete;
    FontMatcher& operator=(const FontMatcher&) = delete;

    // The best scalable face for the request; none when no font is installed.
    [[nodiscard]] std::optional<FontFile> Match(const FaceRequest& request) const;
    // The face nearest to the request that has a glyph for `codePoint`; none
    // when no installed face covers it.
    [[nodiscard]] std::optional<FontFile> MatchCovering(const FaceRequest& request, char32_t codePoint) const;

private:
    _FcConfig* m_config = nullptr;
};

} // namespace saver::text
