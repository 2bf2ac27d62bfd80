#include "gdi/text/FreeTypeGlyphRenderer.h"

#include "gdi/Bitmap.h"
#include "gdi/Canvas.h"
#include "gdi/text/FontMatch.h"
#include "gdi/text/Utf8.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace saver {

namespace {

using text::FaceRequest;
using text::FontFile;

// A height of 0 asks the font mapper for its default cell height.
constexpr int32_t kDefaultCellHeight = 16;
// Larger heights are drawn at this size; it bounds the memory of one glyph.
constexpr int32_t kMaxPixelHeight = 4096;
// Glyph images cached over all fonts before the glyph caches start again.
constexpr size_t kGlyphCacheBytes = size_t(16) << 20;
// Fonts, and face-name matches, cached before those caches start again.
constexpr size_t kMaxCachedFonts = 64;
// The slant of a synthesised italic: x += 0.2126 y, about 12 degrees.
constexpr FT_Fixed kObliqueShear = 0x0366A;
// OS/2 usWeightClass from which a face counts as bold.
constexpr int kBoldWeightClass = 600;

struct Library {
    FT_Library Handle = nullptr;
    Library() { FT_Init_FreeType(&Handle); }
    ~Library() { FT_Done_FreeType(Handle); }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
};

// An opened font file, shared by every size of it.
struct Face {
    FT_Face Handle = nullptr;
    explicit Face(FT_Face handle) : Handle(handle) {}
    ~Face() { FT_Done_Face(Handle); }
    Face(const Face&) = delete;
    Face& operator=(const Face&) = delete;
};

// A face at one pixel size, with the style it synthesises.
struct SizedFace {
    FT_Face Handle = nullptr;
    FT_Size Size = nullptr;
    int32_t BoldPixels = 0; // extra stroke width of a synthetic bold
    bool Oblique = false;
};

// A glyph's advance and its monochrome image.
struct Glyph {
    int32_t Advance = 0;
    int32_t Left = 0; // image columns right of the pen
    int32_t Top = 0;  // image rows above the baseline
    int32_t Width = 0;
    int32_t Rows = 0;
    int32_t Pitch = 0;
    std::vector<uint8_t> Bits; // one bit a pixel, leftmost in the high bit

    [[nodiscard]] bool Covered(int32_t x, int32_t y) const
    {
        return (Bits[size_t(y) * size_t(Pitch) + size_t(x >> 3)] & (0x80 >> (x & 7))) != 0;
    }
};

// A resolved font: face, size, cell layout and the glyphs drawn so far.
struct Font {
    std::string Name;
    bool Bold = false;
    bool Italic = false;
    double EmPixels = 0;
    FontCellMetrics Metrics;
    SizedFace Primary;
    std::vector<SizedFace> Fallbacks; // faces that supplied characters the primary lacks
    std::unordered_map<char32_t, Glyph> Glyphs;

    Font() = default;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    ~Font()
    {
        FT_Done_Size(Primary.Size);
        for (const SizedFace& face : Fallbacks)
            FT_Done_Size(face.Size);
    }
};

using FontKey = std::tuple<std::string, bool, bool, int32_t>;

int32_t ClampToInt32(int64_t value)
{
    return int32_t(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// The requested height with 0 replaced by the default and the size bounded.
int32_t EffectiveHeight(int32_t height)
{
    if (height == 0)
        return kDefaultCellHeight;
    if (height < 0)
        return std::max(height, -kMaxPixelHeight);
    return std::min(height, kMaxPixelHeight);
}

bool FaceIsBold(FT_Face face)
{
    if (face->style_flags & FT_STYLE_FLAG_BOLD)
        return true;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    return os2 && os2->version != 0xFFFF && os2->usWeightClass >= kBoldWeightClass;
}

// Sizes a face to an em of `emPixels`; bold and italic the face lacks are
// synthesised. Returns no size when FreeType refuses it.
std::optional<SizedFace> SizeFace(FT_Face face, double emPixels, bool bold, bool italic)
{
    SizedFace sized;
    sized.Handle = face;
    if (FT_New_Size(face, &sized.Size) != 0)
        return std::nullopt;
    FT_Activate_Size(sized.Size);
    FT_Error error = 0;
    if (FT_IS_SCALABLE(face)) {
        FT_Size_RequestRec request{};
        request.type = FT_SIZE_REQUEST_TYPE_NOMINAL;
        request.height = FT_Long(std::lround(emPixels * 64));
        error = FT_Request_Size(face, &request);
    } else {
        // A bitmap-only face: the strike nearest to the size.
        int best = 0;
        for (int i = 1; i < face->num_fixed_sizes; ++i)
            if (std::abs(face->available_sizes[i].height - emPixels) <
                std::abs(face->available_sizes[best].height - emPixels))
                best = i;
        error = face->num_fixed_sizes > 0 ? FT_Select_Size(face, best) : 1;
    }
    if (error != 0) {
        FT_Done_Size(sized.Size);
        return std::nullopt;
    }
    if (bold && !FaceIsBold(face))
        sized.BoldPixels = std::max<int32_t>(1, int32_t(std::lround(emPixels / 24)));
    sized.Oblique = italic && !(face->style_flags & FT_STYLE_FLAG_ITALIC) && FT_IS_SCALABLE(face);
    return sized;
}

// A line of `thickness` rows whose top lies `top` rows below the cell top,
// moved inside a cell of `cellHeight` rows.
int32_t KeepInCell(int32_t top, int32_t thickness, int32_t cellHeight)
{
    return std::max(0, std::min(top, cellHeight - thickness));
}

// The cell layout and em size for a height, Windows' way: ascent and descent
// are the OS/2 usWinAscent and usWinDescent (hhea's when the table is
// missing) scaled so that a negative height is the em and a positive one the
// cell.
std::pair<FontCellMetrics, double> LayOutCell(FT_Face face, int32_t height)
{
    FontCellMetrics m;
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
        const int32_t em = height < 0 ? -height : height;
        return {FontCellMetrics{em, 0, em - 1, 1, em / 2, 1}, double(em)};
    }
    const double unitsPerEm = face->units_per_EM;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const bool hasOs2 = os2 && os2->version != 0xFFFF;
    double ascent = face->ascender;
    double descent = -face->descender;
    if (hasOs2 && os2->usWinAscent + os2->usWinDescent > 0) {
        ascent = os2->usWinAscent;
        descent = os2->usWinDescent;
    }
    if (ascent + descent <= 0) {
        ascent = unitsPerEm * 0.8;
        descent = unitsPerEm * 0.2;
    }

    double scale = 0;
    if (height < 0) {
        scale = -height / unitsPerEm;
        m.Ascent = int32_t(std::lround(ascent * scale));
        m.Descent = int32_t(std::lround(descent * scale));
    } else {
        scale = height / (ascent + descent);
        m.Ascent = int32_t(std::lround(ascent * scale));
        m.Descent = height - m.Ascent;
    }
    const int32_t cell = m.Ascent + m.Descent;

    const double underline = face->underline_thickness > 0 ? face->underline_thickness : unitsPerEm / 20;
    m.UnderlineThickness = std::max<int32_t>(1, int32_t(std::lround(underline * scale)));
    // The post table's position is the middle of the stroke, negative below the baseline.
    const int32_t underlineTop =
        m.Ascent + std::max<int32_t>(0, int32_t(std::lround((-face->underline_position - underline / 2) * scale)));
    m.UnderlineTop = KeepInCell(underlineTop, m.UnderlineThickness, cell);

    const bool hasStrikeOut = hasOs2 && os2->yStrikeoutSize > 0;
    const double strikeSize = hasStrikeOut ? os2->yStrikeoutSize : underline;
    const double strikePosition = hasStrikeOut ? os2->yStrikeoutPosition : unitsPerEm * 0.3;
    m.StrikeOutThickness = std::max<int32_t>(1, int32_t(std::lround(strikeSize * scale)));
    m.StrikeOutTop = KeepInCell(m.Ascent - int32_t(std::lround(strikePosition * scale)), m.StrikeOutThickness, cell);
    return {m, std::max(1.0, unitsPerEm * scale)};
}

// Copies FreeType's glyph image as one bit a pixel: monochrome images as they
// are, grey ones (embedded strikes) at half coverage.
void TakeImage(const FT_Bitmap& image, Glyph& glyph)
{
    glyph.Width = int32_t(image.width);
    glyph.Rows = int32_t(image.rows);
    glyph.Pitch = (glyph.Width + 7) / 8;
    glyph.Bits.assign(size_t(glyph.Pitch) * size_t(glyph.Rows), 0);
    const size_t stride = size_t(std::abs(image.pitch));
    for (int32_t y = 0; y < glyph.Rows; ++y) {
        const uint8_t* source = image.buffer + stride * size_t(image.pitch >= 0 ? y : glyph.Rows - 1 - y);
        uint8_t* dest = glyph.Bits.data() + size_t(y) * size_t(glyph.Pitch);
        for (int32_t x = 0; x < glyph.Width; ++x) {
            bool on = false;
            switch (image.pixel_mode) {
            case FT_PIXEL_MODE_MONO:
                on = (source[x >> 3] & (0x80 >> (x & 7))) != 0;
                break;
            case FT_PIXEL_MODE_GRAY:
                on = source[x] >= 128;
                break;
            case FT_PIXEL_MODE_BGRA:
                on = source[x * 4 + 3] >= 128;
                break;
            default:
                break;
            }
            if (on)
                dest[x >> 3] |= uint8_t(0x80 >> (x & 7));
        }
    }
}

Glyph LoadGlyph(const SizedFace& face, FT_UInt index)
{
    Glyph glyph;
    FT_Activate_Size(face.Size);
    const bool synthetic = face.BoldPixels > 0 || face.Oblique;
    const FT_Int32 flags = FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME | (synthetic ? FT_LOAD_NO_BITMAP : 0);
    if (FT_Load_Glyph(face.Handle, index, flags) != 0)
        return glyph;
    FT_GlyphSlot slot = face.Handle->glyph;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        if (face.Oblique) {
            FT_Matrix shear{0x10000, kObliqueShear, 0, 0x10000};
            FT_Outline_Transform(&slot->outline, &shear);
        }
        if (face.BoldPixels > 0)
            FT_Outline_EmboldenXY(&slot->outline, face.BoldPixels * 64, 0);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0)
            return glyph;
    }
    glyph.Advance = int32_t((slot->advance.x + 32) >> 6) + face.BoldPixels;
    if (slot->format == FT_GLYPH_FORMAT_BITMAP && slot->bitmap.buffer) {
        glyph.Left = slot->bitmap_left;
        glyph.Top = slot->bitmap_top;
        TakeImage(slot->bitmap, glyph);
    }
    return glyph;
}

bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }

// The bytes one pixel of `color` has in `format`, as Bitmap::SetPixel writes them.
std::vector<uint8_t> PixelBytes(PixelFormat format, TColor color)
{
    Bitmap pixel(1, 1, format);
    pixel.SetPixel(0, 0, color);
    const size_t count = format == PixelFormat::pf8bit ? 1 : 3; // a 32-bit pixel keeps its fourth byte
    return {pixel.ScanLine(0), pixel.ScanLine(0) + count};
}

// The clip rectangles inside the target, in 64-bit so that far-off glyph
// positions compare without overflow.
struct Area {
    int64_t Left, Top, Right, Bottom;
};

std::vector<Area> DrawableAreas(const Bitmap& target, std::span<const Rect> clip)
{
    std::vector<Area> areas;
    const Rect bounds{0, 0, target.Width(), target.Height()};
    for (const Rect& rect : clip) {
        const Rect inside = rect.Intersected(bounds);
        if (!inside.IsEmpty())
            areas.push_back({inside.Left, inside.Top, inside.Right, inside.Bottom});
    }
    return areas;
}

// Writes `pixel` where `covered(x, y)` holds over the box, within the areas.
template <typename Coverage>
void Paint(Bitmap& target, std::span<const Area> areas, const Area& box, const std::vector<uint8_t>& pixel,
           Coverage covered)
{
    const size_t bytes = size_t(BitsPerPixel(target.GetPixelFormat()) / 8);
    for (const Area& area : areas) {
        const int64_t left = std::max(box.Left, area.Left), right = std::min(box.Right, area.Right);
        const int64_t top = std::max(box.Top, area.Top), bottom = std::min(box.Bottom, area.Bottom);
        for (int64_t y = top; y < bottom; ++y) {
            uint8_t* row = target.ScanLine(int32_t(y));
            for (int64_t x = left; x < right; ++x)
                if (covered(int32_t(x - box.Left), int32_t(y - box.Top)))
                    std::memcpy(row + size_t(x) * bytes, pixel.data(), pixel.size());
        }
    }
}

} // namespace

struct FreeTypeGlyphRenderer::State {
    std::mutex Lock;
    Library FreeType;
    std::optional<text::FontMatcher> Matcher;
    std::map<std::pair<std::string, int>, std::unique_ptr<Face>> Faces; // by file and index
    std::map<std::tuple<std::string, bool, bool>, std::optional<FontFile>> Matches;
    std::map<FontKey, std::unique_ptr<Font>> Fonts; // a null font: nothing matched
    size_t GlyphBytes = 0;

    text::FontMatcher& Fontconfig()
    {
        if (!Matcher)
            Matcher.emplace();
        return *Matcher;
    }

    Face* OpenFace(const FontFile& file)
    {
        auto [it, added] = Faces.try_emplace({file.Path, file.Index});
        if (added) {
            FT_Face handle = nullptr;
            if (FreeType.Handle && FT_New_Face(FreeType.Handle, file.Path.c_str(), file.Index, &handle) == 0)
                it->second = std::make_unique<Face>(handle);
        }
        return it->second.get();
    }

    const std::optional<FontFile>& MatchFace(const FaceRequest& request)
    {
        if (Matches.size() >= kMaxCachedFonts)
            Matches.clear();
        auto [it, added] = Matches.try_emplace({std::string(request.Name), request.Bold, request.Italic});
        if (added)
            it->second = Fontconfig().Match(request);
        return it->second;
    }

    Font* FontFor(const CanvasFont& canvasFont)
    {
        const bool bold = (canvasFont.Style & fsBold) != 0;
        const bool italic = (canvasFont.Style & fsItalic) != 0;
        const int32_t height = EffectiveHeight(canvasFont.Height);
        FontKey key{canvasFont.Name, bold, italic, height};
        if (auto it = Fonts.find(key); it != Fonts.end())
            return it->second.get();
        if (Fonts.size() >= kMaxCachedFonts) {
            Fonts.clear();
            GlyphBytes = 0;
        }
        std::unique_ptr<Font>& slot = Fonts[std::move(key)];
        const std::optional<FontFile>& file = MatchFace({canvasFont.Name, bold, italic});
        Face* face = file ? OpenFace(*file) : nullptr;
        if (!face)
            return nullptr;
        const auto [metrics, em] = LayOutCell(face->Handle, height);
        std::optional<SizedFace> sized = SizeFace(face->Handle, em, bold, italic);
        if (!sized)
            return nullptr;
        slot = std::make_unique<Font>();
        slot->Name = canvasFont.Name;
        slot->Bold = bold;
        slot->Italic = italic;
        slot->EmPixels = em;
        slot->Metrics = metrics;
        slot->Primary = *sized;
        return slot.get();
    }

    // The character from the primary face, else from a face that has it,
    // else the primary face's missing-glyph image.
    Glyph RenderGlyph(Font& font, char32_t c)
    {
        if (FT_UInt index = FT_Get_Char_Index(font.Primary.Handle, c))
            return LoadGlyph(font.Primary, index);
        if (IsControl(c))
            return LoadGlyph(font.Primary, 0);
        for (const SizedFace& fallback : font.Fallbacks)
            if (FT_UInt index = FT_Get_Char_Index(fallback.Handle, c))
                return LoadGlyph(fallback, index);
        if (std::optional<FontFile> file = Fontconfig().MatchCovering({font.Name, font.Bold, font.Italic}, c)) {
            Face* face = OpenFace(*file);
            if (FT_UInt index = face ? FT_Get_Char_Index(face->Handle, c) : 0) {
                if (std::optional<SizedFace> sized = SizeFace(face->Handle, font.EmPixels, font.Bold, font.Italic)) {
                    font.Fallbacks.push_back(*sized);
                    return LoadGlyph(*sized, index);
                }
            }
        }
        return LoadGlyph(font.Primary, 0);
    }

    const Glyph& GlyphFor(Font& font, char32_t c)
    {
        if (auto it = font.Glyphs.find(c); it != font.Glyphs.end())
            return it->second;
        if (GlyphBytes > kGlyphCacheBytes) {
            for (auto& [key, cached] : Fonts)
                if (cached)
                    cached->Glyphs.clear();
            GlyphBytes = 0;
        }
        Glyph glyph = RenderGlyph(font, c);
        GlyphBytes += sizeof(Glyph) + glyph.Bits.size();
        return font.Glyphs.emplace(c, std::move(glyph)).first->second;
    }

    int64_t TextWidth(Font& font, std::string_view text)
    {
        int64_t width = 0;
        for (size_t pos = 0; pos < text.size();)
            width += GlyphFor(font, text::NextCodePoint(text, pos)).Advance;
        return width;
    }
};

FreeTypeGlyphRenderer::FreeTypeGlyphRenderer() : m_state(std::make_unique<State>()) {}

FreeTypeGlyphRenderer::~FreeTypeGlyphRenderer() = default;

TextSize FreeTypeGlyphRenderer::MeasureText(const CanvasFont& font, std::string_view text)
{
    std::lock_guard lock(m_state->Lock);
    Font* resolved = m_state->FontFor(font);
    if (!resolved)
        return {0, std::abs(EffectiveHeight(font.Height))};
    return {ClampToInt32(m_state->TextWidth(*resolved, text)), resolved->Metrics.Ascent + resolved->Metrics.Descent};
}

void FreeTypeGlyphRenderer::DrawText(Bitmap& target, Point origin, const CanvasFont& font, std::string_view text,
                                     std::span<const Rect> clip)
{
    std::lock_guard lock(m_state->Lock);
    const std::vector<Area> areas = DrawableAreas(target, clip);
    Font* resolved = areas.empty() ? nullptr : m_state->FontFor(font);
    if (!resolved)
        return;
    const std::vector<uint8_t> pixel = PixelBytes(target.GetPixelFormat(), ColorToRGB(font.Color));
    const FontCellMetrics& metrics = resolved->Metrics;
    const int64_t baseline = int64_t(origin.Y) + metrics.Ascent;
    int64_t pen = origin.X;
    for (size_t pos = 0; pos < text.size();) {
        const Glyph& glyph = m_state->GlyphFor(*resolved, text::NextCodePoint(text, pos));
        if (glyph.Width > 0 && glyph.Rows > 0) {
            const Area box{pen + glyph.Left, baseline - glyph.Top, pen + glyph.Left + glyph.Width,
                           baseline - glyph.Top + glyph.Rows};
            Paint(target, areas, box, pixel, [&glyph](int32_t x, int32_t y) { return glyph.Covered(x, y); });
        }
        pen += glyph.Advance;
    }
    const auto line = [&](int32_t top, int32_t thickness) {
        const Area box{origin.X, int64_t(origin.Y) + top, pen, int64_t(origin.Y) + top + thickness};
        Paint(target, areas, box, pixel, [](int32_t, int32_t) { return true; });
    };
    if (font.Style & fsUnderline)
        line(metrics.UnderlineTop, metrics.UnderlineThickness);
    if (font.Style & fsStrikeOut)
        line(metrics.StrikeOutTop, metrics.StrikeOutThickness);
}

std::string FreeTypeGlyphRenderer::ResolvedFamily(std::string_view faceName)
{
    std::lock_guard lock(m_state->Lock);
    const std::optional<FontFile>& file = m_state->MatchFace({faceName, false, false});
    return file ? file->Family : std::string();
}

FontCellMetrics FreeTypeGlyphRenderer::CellMetrics(const CanvasFont& font)
{
    std::lock_guard lock(m_state->Lock);
    const Font* resolved = m_state->FontFor(font);
    return resolved ? resolved->Metrics : FontCellMetrics{};
}

namespace {
FreeTypeGlyphRenderer& PlatformRenderer()
{
    static FreeTypeGlyphRenderer renderer;
    return renderer;
}
} // namespace

GlyphRenderer& PlatformGlyphRenderer() { return PlatformRenderer(); }

std::string ResolvedFontFamily(std::string_view faceName) { return PlatformRenderer().ResolvedFamily(faceName); }

FontCellMetrics FontMetrics(const CanvasFont& font) { return PlatformRenderer().CellMetrics(font); }

} // namespace saver
