#pragma once
// Glyph renderers that need no fonts, and small bitmap helpers, for the
// anti-aliased text tests.

#include "gdi/Bitmap.h"
#include "gdi/Canvas.h"
#include "gdi/GlyphRenderer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace saver::test {

// Each character is a filled em square: a text of n characters in a font of
// character height h measures n*h by h and covers all of it.
class BoxGlyphRenderer final : public GlyphRenderer {
public:
    TextSize MeasureText(const CanvasFont& font, std::string_view text) override
    {
        const int32_t em = std::abs(font.Height);
        return {int32_t(text.size()) * em, em};
    }
    void DrawText(Bitmap& target, Point origin, const CanvasFont& font, std::string_view text,
                  std::span<const Rect> clip) override
    {
        const TextSize size = MeasureText(font, text);
        const Rect box = Rect::FromSize(origin.X, origin.Y, size.Width, size.Height);
        for (const Rect& r : clip) {
            const Rect area = r.Intersected(box);
            for (int32_t y = area.Top; y < area.Bottom; ++y)
                for (int32_t x = area.Left; x < area.Right; ++x)
                    target.SetPixel(x, y, font.Color);
        }
    }
};

// Draws a fixed grey pattern (row-major, top row first) whatever the text:
// a synthetic render for the downsampling rules.
class PatternGlyphRenderer final : public GlyphRenderer {
public:
    PatternGlyphRenderer(int32_t width, int32_t height, std::vector<uint8_t> grey)
        : m_width(width), m_height(height), m_grey(std::move(grey))
    {
    }
    TextSize MeasureText(const CanvasFont&, std::string_view) override { return {m_width, m_height}; }
    void DrawText(Bitmap& target, Point origin, const CanvasFont&, std::string_view,
                  std::span<const Rect> clip) override
    {
        for (const Rect& r : clip)
            for (int32_t y = r.Top; y < r.Bottom; ++y)
                for (int32_t x = r.Left; x < r.Right; ++x)
                    target.ScanLine(y)[x] = m_grey[size_t(y - origin.Y) * size_t(m_width) + size_t(x - origin.X)];
    }

private:
    int32_t m_width, m_height;
    std::vector<uint8_t> m_grey;
};

// Installs a renderer for the lifetime of a test.
class ScopedGlyphRenderer {
public:
    explicit ScopedGlyphRenderer(GlyphRenderer& renderer) { InstallGlyphRenderer(&renderer); }
    ~ScopedGlyphRenderer() { InstallGlyphRenderer(nullptr); }
    ScopedGlyphRenderer(const ScopedGlyphRenderer&) = delete;
    ScopedGlyphRenderer& operator=(const ScopedGlyphRenderer&) = delete;
};

// A 24-bit bitmap filled with one colour; its canvas brush is that colour,
// solid.
inline void FillTarget(Bitmap& bitmap, int32_t width, int32_t height, TColor color)
{
    bitmap.SetPixelFormat(PixelFormat::pf24bit);
    bitmap.SetSize(width, height);
    Canvas& canvas = bitmap.GetCanvas();
    canvas.Brush = {color, BrushStyle::bsSolid};
    canvas.FillRect({0, 0, width, height});
}

// Every pixel equal, reporting the first that is not.
inline void ExpectSameBitmap(const Bitmap& actual, const Bitmap& expected)
{
    ASSERT_EQ(actual.Width(), expected.Width());
    ASSERT_EQ(actual.Height(), expected.Height());
    for (int32_t y = 0; y < actual.Height(); ++y)
        for (int32_t x = 0; x < actual.Width(); ++x)
            if (actual.GetPixel(x, y) != expected.GetPixel(x, y)) {
                ADD_FAILURE() << "first difference at (" << x << ", " << y << "): " << std::hex
                              << actual.GetPixel(x, y) << " instead of " << expected.GetPixel(x, y);
                return;
            }
}

} // namespace saver::test
