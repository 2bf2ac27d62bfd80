// The Windows text backend: GDI fonts, measured by GDI and drawn by TextOutW
// (the UTF-8 text made UTF-16) into a scratch DIB in white on black, without smoothing (the text layer
// supersamples for its anti-aliasing). The lit pixels are then written in the
// font colour into our bitmap, inside the clip rectangles only, so the cell
// background and everything outside the clip stay as they are.
//
// One memory DC, its fonts and its scratch DIB serve every caller under one
// mutex: the fade text control and the transition thread may both draw text.

#include "core/Utf16Win32.h"
#include "gdi/Bitmap.h"
#include "gdi/Canvas.h"
#include "gdi/GlyphRenderer.h"

#include <windows.h>

#include "gdi/win32/DibInfo.h"
// winuser.h maps these names to its functions; here they are ours.
#undef DrawText
#undef TextOut

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

namespace saver {

namespace {

// Larger heights are drawn at this size, as on Linux; it bounds the memory
// GDI spends on one glyph.
constexpr int32_t kMaxPixelHeight = 4096;
// GDI's cell height for a height of 0, for when no font can be made.
constexpr int32_t kDefaultCellHeight = 16;
// Fonts created before the cache starts again.
constexpr size_t kMaxCachedFonts = 64;
// Pixels of the scratch DIB; taller text is drawn band by band.
constexpr int64_t kMaxScratchPixels = int64_t(1) << 20;
// GDI's coordinate space is reliable within 2^27 on every version.
constexpr int64_t kMaxGdiCoordinate = int64_t(1) << 27;

// Face name, height, style bits, charset.
using FontKey = std::tuple<std::string, int32_t, uint32_t, uint8_t>;

// The requested height with the size bounded; 0 keeps GDI's default height.
int32_t BoundedHeight(int32_t height) { return std::clamp(height, -kMaxPixelHeight, kMaxPixelHeight); }

// The face name as GDI reads it: up to the first zero byte.
std::string FaceName(const std::string& name) { return name.substr(0, name.find('\0')); }

// GDI counts characters in an int.
int TextCount(std::wstring_view text) { return int(std::min<size_t>(text.size(), INT_MAX)); }

// A span of rows or columns, in 64-bit so that far-off positions compare
// without overflow.
struct Span {
    int64_t Begin = 0;
    int64_t End = 0;
    [[nodiscard]] bool Empty() const { return End <= Begin; }
    [[nodiscard]] Span And(const Span& other) const { return {std::max(Begin, other.Begin), std::min(End, other.End)}; }
};

// The bytes Bitmap::SetPixel stores for a colour; a 32-bit pixel keeps its
// fourth byte.
struct InkPixel {
    uint8_t Bytes[3] = {};
    size_t Count = 0; // bytes written
    size_t Step = 0;  // bytes per pixel

    InkPixel(PixelFormat format, TColor color)
    {
        Bitmap probe(1, 1, format);
        probe.SetPixel(0, 0, color);
        Step = size_t(BitsPerPixel(format) / 8);
        Count = std::min<size_t>(Step, 3);
        std::memcpy(Bytes, probe.ScanLine(0), Count);
    }
};

class GdiGlyphRenderer final : public GlyphRenderer {
public:
    GdiGlyphRenderer() : m_dc(CreateCompatibleDC(nullptr))
    {
        if (!m_dc)
            return;
        m_originalFont = GetCurrentObject(m_dc, OBJ_FONT);
        m_originalBitmap = GetCurrentObject(m_dc, OBJ_BITMAP);
        SetMapMode(m_dc, MM_TEXT);
        SetBkMode(m_dc, TRANSPARENT);
        SetTextColor(m_dc, 0x00FFFFFF);
        SetTextAlign(m_dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    }

    ~GdiGlyphRenderer() override
    {
        DropFonts();
        DropScratch();
        if (m_dc)
            DeleteDC(m_dc);
    }

    GdiGlyphRenderer(const GdiGlyphRenderer&) = delete;
    GdiGlyphRenderer& operator=(const GdiGlyphRenderer&) = delete;

    [[nodiscard]] TextSize MeasureText(const CanvasFont& font, std::string_view text) override
    {
        std::lock_guard lock(m_lock);
        TEXTMETRICW metrics{};
        if (!Select(font, metrics))
            return {0, font.Height == 0 ? kDefaultCellHeight : std::abs(BoundedHeight(font.Height))};
        const std::wstring wide = Widen(text);
        SIZE extent{};
        if (!wide.empty() && !GetTextExtentPoint32W(m_dc, wide.data(), TextCount(wide), &extent))
            extent.cx = 0;
        return {std::max<int32_t>(0, extent.cx), metrics.tmAscent + metrics.tmDescent};
    }

    void DrawText(Bitmap& target, Point origin, const CanvasFont& font, std::string_view text,
                  std::span<const Rect> clip) override
    {
        std::lock_guard lock(m_lock);
        const Rect bounds{0, 0, target.Width(), target.Height()};
        std::vector<Rect> areas;
        Rect reach; // the smallest rectangle holding every area
        for (const Rect& rect : clip) {
            const Rect inside = rect.Intersected(bounds);
            if (!inside.IsEmpty())
                areas.push_back(inside);
            reach.Unite(inside);
        }
        TEXTMETRICW metrics{};
        if (areas.empty() || text.empty() || !Select(font, metrics))
            return;
        const std::wstring wide = Widen(text);
        SIZE extent{};
        if (!GetTextExtentPoint32W(m_dc, wide.data(), TextCount(wide), &extent))
            return;

        // Glyphs may reach past their cell (italic overhangs, accents above
        // the ascent): a margin of one cell height on every side.
        const int64_t cellHeight = metrics.tmAscent + metrics.tmDescent;
        const int64_t margin = cellHeight + metrics.tmOverhang;
        const Span columns =
            Span{origin.X - margin, int64_t(origin.X) + extent.cx + margin}.And({reach.Left, reach.Right});
        const Span rows =
            Span{origin.Y - margin, int64_t(origin.Y) + cellHeight + margin}.And({reach.Top, reach.Bottom});
        if (columns.Empty() || rows.Empty())
            return;
        const int64_t penX = origin.X - columns.Begin;
        if (std::abs(penX) > kMaxGdiCoordinate)
            return;

        const int32_t width = int32_t(columns.End - columns.Begin);
        const int32_t bandHeight = int32_t(std::clamp<int64_t>(kMaxScratchPixels / width, 1, rows.End - rows.Begin));
        if (!Scratch(width, bandHeight))
            return;
        const InkPixel ink(target.GetPixelFormat(), ColorToRGB(font.Color));
        for (int64_t top = rows.Begin; top < rows.End; top += bandHeight) {
            const Span band{top, std::min(rows.End, top + bandHeight)};
            const int64_t penY = origin.Y - top;
            if (std::abs(penY) > kMaxGdiCoordinate)
                continue;
            GdiFlush();
            for (int64_t y = 0; y < band.End - band.Begin; ++y)
                std::memset(ScratchRow(y), 0, size_t(width) * 4);
            TextOutW(m_dc, int(penX), int(penY), wide.data(), TextCount(wide));
            GdiFlush();
            for (const Rect& area : areas)
                CopyInk(target, ink, band.And({area.Top, area.Bottom}), columns.And({area.Left, area.Right}),
                        columns.Begin, top);
        }
    }

private:
    // Selects the font into the DC and reads its metrics; false when GDI has
    // no font for it.
    bool Select(const CanvasFont& font, TEXTMETRICW& metrics)
    {
        HFONT handle = FontFor(font);
        return handle && SelectObject(m_dc, handle) && GetTextMetricsW(m_dc, &metrics);
    }

    HFONT FontFor(const CanvasFont& font)
    {
        if (!m_dc)
            return nullptr;
        FontKey key{FaceName(font.Name), BoundedHeight(font.Height), font.Style, font.Charset};
        if (auto it = m_fonts.find(key); it != m_fonts.end())
            return it->second;
        if (m_fonts.size() >= kMaxCachedFonts)
            DropFonts();
        const auto& [name, height, style, charset] = key;
        HFONT handle =
            CreateFontW(height, 0, 0, 0, (style & fsBold) ? FW_BOLD : FW_NORMAL, (style & fsItalic) != 0,
                        (style & fsUnderline) != 0, (style & fsStrikeOut) != 0, charset, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, Widen(name).c_str());
        m_fonts.emplace(std::move(key), handle);
        return handle;
    }

    void DropFonts()
    {
        if (m_dc && m_originalFont)
            SelectObject(m_dc, m_originalFont);
        for (const auto& [key, handle] : m_fonts)
            if (handle)
                DeleteObject(handle);
        m_fonts.clear();
    }

    // A top-down 32-bit DIB of at least width x height pixels, selected into
    // the DC; the previous one is kept when it is large enough.
    bool Scratch(int32_t width, int32_t height)
    {
        if (m_scratch && width <= m_scratchWidth && height <= m_scratchHeight)
            return true;
        DropScratch();
        const BITMAPINFO info = TopDown32BitDibInfo(width, height);
        void* bits = nullptr;
        m_scratch = m_dc ? CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
        if (!m_scratch || !bits) {
            DropScratch();
            return false;
        }
        SelectObject(m_dc, m_scratch);
        m_scratchBits = static_cast<uint8_t*>(bits);
        m_scratchWidth = width;
        m_scratchHeight = height;
        return true;
    }

    void DropScratch()
    {
        if (!m_scratch)
            return;
        SelectObject(m_dc, m_originalBitmap);
        DeleteObject(m_scratch);
        m_scratch = nullptr;
        m_scratchBits = nullptr;
        m_scratchWidth = m_scratchHeight = 0;
    }

    [[nodiscard]] uint8_t* ScratchRow(int64_t y) const
    {
        return m_scratchBits + size_t(y) * size_t(m_scratchWidth) * 4;
    }

    // Writes the ink where the scratch band, whose top-left pixel is target
    // pixel (left, top), holds a glyph pixel, over the given target rows and
    // columns. Unsmoothed text is pure white; a half-lit pixel, should the
    // system smooth it anyway, counts as a glyph pixel.
    void CopyInk(Bitmap& target, const InkPixel& ink, Span rows, Span columns, int64_t left, int64_t top) const
    {
        if (rows.Empty() || columns.Empty())
            return;
        for (int64_t y = rows.Begin; y < rows.End; ++y) {
            const uint8_t* lit = ScratchRow(y - top);
            uint8_t* row = target.ScanLine(int32_t(y));
            for (int64_t x = columns.Begin; x < columns.End; ++x)
                if (lit[size_t(x - left) * 4 + 1] >= 128)
                    std::memcpy(row + size_t(x) * ink.Step, ink.Bytes, ink.Count);
        }
    }

    std::mutex m_lock;
    HDC m_dc = nullptr;
    HGDIOBJ m_originalFont = nullptr;
    HGDIOBJ m_originalBitmap = nullptr;
    std::map<FontKey, HFONT> m_fonts; // a null font: GDI made none
    HBITMAP m_scratch = nullptr;
    uint8_t* m_scratchBits = nullptr;
    int32_t m_scratchWidth = 0;
    int32_t m_scratchHeight = 0;
};

} // namespace

GlyphRenderer& PlatformGlyphRenderer()
{
    static GdiGlyphRenderer renderer;
    return renderer;
}

} // namespace saver
