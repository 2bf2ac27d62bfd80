// Being written: the FreeType renderer. Until it lands, text measures zero
// wide and draws nothing.
#include "gdi/Canvas.h"
#include "gdi/GlyphRenderer.h"

namespace saver {

namespace {
class NoGlyphs final : public GlyphRenderer {
public:
    TextSize MeasureText(const CanvasFont&, std::string_view) override { return {}; }
    void DrawText(Bitmap&, Point, const CanvasFont&, std::string_view, std::span<const Rect>) override {}
};
} // namespace

GlyphRenderer& PlatformGlyphRenderer()
{
    static NoGlyphs renderer;
    return renderer;
}

} // namespace saver
