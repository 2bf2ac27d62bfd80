#pragma once
// The Linux text backend: faces found with fontconfig, glyphs drawn by
// FreeType in monochrome (the platform draws unsmoothed text into palettized
// bitmaps; the text layer supersamples for its anti-aliasing).
//
// Metrics follow the Windows font mapper: a negative font height is the em
// size in pixels, a positive one the cell height; ascent and descent come
// from the OS/2 table's Windows values; a text's width is the sum of its
// whole-pixel glyph advances, without kerning. Faces without a real bold or
// italic are emboldened or slanted. Characters the face lacks come from the
// nearest face that has them.
//
// Every call locks one mutex (FreeType is not thread-safe); resolved faces,
// sizes and glyph images are cached.

#include "gdi/GlyphRenderer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace saver {

// The vertical layout of a font's text cell, in pixels from the cell's top.
struct FontCellMetrics {
    int32_t Ascent = 0;  // baseline row offset
    int32_t Descent = 0; // Ascent + Descent is the cell height
    int32_t UnderlineTop = 0;
    int32_t UnderlineThickness = 0;
    int32_t StrikeOutTop = 0;
    int32_t StrikeOutThickness = 0;
};

class FreeTypeGlyphRenderer final : public GlyphRenderer {
public:
    FreeTypeGlyphRenderer();
    ~FreeTypeGlyphRenderer() override;
    FreeTypeGlyphRenderer(const FreeTypeGlyphRenderer&) = delete;
    FreeTypeGlyphRenderer& operator=(const FreeTypeGlyphRenderer&) = delete;

    [[nodiscard]] TextSize MeasureText(const CanvasFont& font, std::string_view text) override;
    void DrawText(Bitmap& target, Point origin, const CanvasFont& font, std::string_view text,
                  std::span<const Rect> clip) override;

    // The family fontconfig resolves a face name to ("黑体" gives
    // "WenQuanYi Zen Hei"); empty when no font is installed.
    [[nodiscard]] std::string ResolvedFamily(std::string_view faceName);
    [[nodiscard]] FontCellMetrics CellMetrics(const CanvasFont& font);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// The platform renderer's answers, for callers that only know a face name.
[[nodiscard]] std::string ResolvedFontFamily(std::string_view faceName);
[[nodiscard]] FontCellMetrics FontMetrics(const CanvasFont& font);

} // namespace saver
