#include "gdi/text/FontMatch.h"

#include "gdi/text/Utf8.h"

#include <fontconfig/fontconfig.h>

#include <array>
#include <filesystem>

namespace saver::text {

namespace {

constexpr const char* kAliasFileName = "61-saver-windows-faces.conf";

// Where the alias file may be found when the system has not installed it:
// the source tree this build came from.
constexpr std::array kAliasFiles = {SAVER_FONT_ALIAS_FILE};

bool ConfigHasAliases(FcConfig* config)
{
    bool found = false;
    FcStrList* files = FcConfigGetConfigFiles(config);
    if (!files)
        return false;
    while (FcChar8* file = FcStrListNext(files))
        found = found || std::filesystem::path(reinterpret_cast<const char*>(file)).filename() == kAliasFileName;
    FcStrListDone(files);
    return found;
}

FcConfig* CreateConfig()
{
    FcConfig* config = FcInitLoadConfig();
    if (!config)
        config = FcConfigCreate();
    if (!ConfigHasAliases(config)) {
        for (const char* path : kAliasFiles) {
            std::error_code error;
            if (std::filesystem::is_regular_file(path, error)) {
                FcConfigParseAndLoad(config, reinterpret_cast<const FcChar8*>(path), FcFalse);
                break;
            }
        }
    }
    FcConfigBuildFonts(config);
    return config;
}

// Face names reach fontconfig as valid UTF-8 without NULs: malformed bytes
// become U+FFFD, a NUL ends the name.
std::string CleanName(std::string_view name)
{
    std::string clean;
    for (size_t pos = 0; pos < name.size();) {
        const char32_t c = NextCodePoint(name, pos);
        if (c == 0)
            break;
        std::array<FcChar8, 6> bytes{};
        const int length = FcUcs4ToUtf8(c, bytes.data());
        clean.append(reinterpret_cast<const char*>(bytes.data()), size_t(length));
    }
    return clean;
}

std::optional<FontFile> FindFace(FcConfig* config, const FaceRequest& request, std::optional<char32_t> codePoint)
{
    FcPattern* pattern = FcPatternCreate();
    const std::string name = CleanName(request.Name);
    if (!name.empty())
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, request.Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, request.Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    if (codePoint) {
        FcCharSet* wanted = FcCharSetCreate();
        FcCharSetAddChar(wanted, *codePoint);
        FcPatternAddCharSet(pattern, FC_CHARSET, wanted);
        FcCharSetDestroy(wanted);
    }
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return std::nullopt;

    std::optional<FontFile> found;
    FcChar8* file = nullptr;
    FcCharSet* covered = nullptr;
    const bool covers = !codePoint || (FcPatternGetCharSet(match, FC_CHARSET, 0, &covered) == FcResultMatch &&
                                       FcCharSetHasChar(covered, *codePoint));
    if (covers && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        found.emplace();
        found->Path = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(match, FC_INDEX, 0, &found->Index);
        FcChar8* family = nullptr;
        if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch)
            found->Family = reinterpret_cast<const char*>(family);
    }
    FcPatternDestroy(match);
    return found;
}

} // namespace

FontMatcher::FontMatcher() : m_config(CreateConfig()) {}

FontMatcher::~FontMatcher() { FcConfigDestroy(m_config); }

std::optional<FontFile> FontMatcher::Match(const FaceRequest& request) const
{
    return FindFace(m_config, request, std::nullopt);
}

std::optional<FontFile> FontMatcher::MatchCovering(const FaceRequest& request, char32_t codePoint) const
{
    return FindFace(m_config, request, codePoint);
}

} // namespace saver::text
