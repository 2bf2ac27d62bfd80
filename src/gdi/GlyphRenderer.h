#pragma once
// Text output behind the canvas font: measures a line of text and draws its
// glyphs into a bitmap. The platform supplies the renderer (FreeType with
// fontconfig on Linux, GDI on Windows); the canvas paints the background and
// applies its clip, so a renderer only places glyph pixels.
//
// Text is in the system's ANSI code page (UTF-8 on Linux); a "character" is
// a byte of it.

#include "core/Geometry.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace saver {

class Bitmap;
struct CanvasFont;

struct TextSize {
    int32_t Width = 0;  // the sum of the glyphs' advances
    int32_t Height = 0; // the font's ascent + descent

    constexpr bool operator==(const TextSize&) const = default;
};

class GlyphRenderer {
public:
    virtual ~GlyphRenderer() = default;

    // The extent of one line of text in the font. An empty text has width 0
    // and the font's height.
    [[nodiscard]] virtual TextSize MeasureText(const CanvasFont& font, std::string_view text) = 0;

    // Draws the glyphs in the font's colour with the top-left corner of the
    // text cell at `origin`, in device pixels of `target`. Only pixels inside
    // the `clip` rectangles (device pixels, inside the target) are written;
    // the cell background is left alone. An 8-bit target gets the grey level
    // of the colour.
    virtual void DrawText(Bitmap& target, Point origin, const CanvasFont& font, std::string_view text,
                          std::span<const Rect> clip) = 0;
};

// The renderer every canvas uses: the one installed, else the platform's.
GlyphRenderer& CurrentGlyphRenderer();
// Installs a renderer (not owned; it must outlive its use); nullptr goes back
// to the platform's.
void InstallGlyphRenderer(GlyphRenderer* renderer);

// The platform's renderer, defined by the platform's text backend.
GlyphRenderer& PlatformGlyphRenderer();

} // namespace saver
