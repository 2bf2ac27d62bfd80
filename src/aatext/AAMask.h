#pragma once
// A line of text drawn white on black at an integer multiple of its size
// and averaged down to a coverage mask (TAAMask), laid onto a canvas in one
// colour or through a fill image (TAABlend); TAAFont holds the target canvas
// with one of each. Everything here runs on the GUI thread.

#include "core/Color.h"
#include "core/Error.h"
#include "core/Geometry.h"
#include "gdi/Bitmap.h"
#include "gdi/Canvas.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace saver {

class TAAFont;

// ---------------------------------------------------------------------------
// Coverage mask and blending

// Supersampling factor: aqHigh 4 (plain 4 x 4 average), aqNormal 3 (weighted
// 3 x 3), aqLow 2 (plain 2 x 2), aqNone 1 (copied).
enum class TAAQuality : uint8_t { aqHigh, aqNormal, aqLow, aqNone };

[[nodiscard]] int32_t QualityScale(TAAQuality quality);

class EInvalidLine : public Exception {
public:
    EInvalidLine() : Exception("Invalid line!") {}
};

class EInvalidForeBmp : public Exception {
public:
    EInvalidForeBmp() : Exception("Invalid foreground bitmap!") {}
};

// One coverage byte a pixel, 0 = not covered, 255 = fully covered. Rows are
// stored bottom-up and padded to 4 bytes like bitmap rows; ScanLine hides the
// order.
class TAAMask {
public:
    explicit TAAMask(TAAFont* owner);
    TAAMask(const TAAMask&) = delete;
    TAAMask& operator=(const TAAMask&) = delete;

    [[nodiscard]] TAAFont* Owner() const { return m_owner; }
    [[nodiscard]] TAAQuality Quality() const { return m_quality; }
    void SetQuality(TAAQuality quality);
    [[nodiscard]] int32_t Scale() const { return m_scale; }

    [[nodiscard]] int32_t Width() const { return m_width; }
    [[nodiscard]] int32_t Height() const { return m_height; }
    [[nodiscard]] int32_t BytesPerRow() const { return m_bytesPerRow; }
    [[nodiscard]] const std::vector<uint8_t>& Data() const { return m_data; }
    // The 8-bit grey bitmap text is drawn into at Scale times its size; it
    // only grows.
    [[nodiscard]] Bitmap& RenderBitmap() { return m_renderBitmap; }

    // Size in output pixels of the text in the owner canvas's font; 0
    // without an owner canvas.
    [[nodiscard]] int32_t TextWidth(std::string_view text) const;
    [[nodiscard]] int32_t TextHeight(std::string_view text) const;

    // Render(text, TextWidth, TextHeight, (0, 0)).
    void DrawText(std::string_view text);
    // Draws text at `origin` (render pixels) and downsamples a width x height
    // mask; nothing without an owner canvas.
    void Render(std::string_view text, int32_t width, int32_t height, Point origin);
    // Replaces coverage by edge strength (hollow letters); the border rows
    // and columns keep their values.
    void ApplyOutline();
    // 5 x 5 box filter with clamped edges, mixed with the mask by strength
    // 0..100 (larger values count as 100).
    void ApplyBlur(uint8_t strength);

    // Row y counted from the top; throws EInvalidLine outside 0..Height-1.
    [[nodiscard]] uint8_t* ScanLine(int32_t y);
    [[nodiscard]] const uint8_t* ScanLine(int32_t y) const;

    // Sizes the mask without rendering, all coverage 0: for masks composed
    // by hand.
    void SetSize(int32_t width, int32_t height);
    void Assign(const TAAMask& source);

private:
    // Measures with the owner canvas's font enlarged by Scale.
    [[nodiscard]] TextSize MeasureScaled(std::string_view text) const;
    void Downsample();

    TAAFont* m_owner;
    TAAQuality m_quality = TAAQuality::aqNormal;
    int32_t m_scale = 3;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_bytesPerRow = 0;
    std::vector<uint8_t> m_data;
    Bitmap m_renderBitmap{PixelFormat::pf8bit};
};

// Lays a mask onto the owner's canvas. The target rectangle is composed in
// WorkBitmap and copied back whole: with a solid canvas brush the text stands
// on a box of the brush colour, with a clear brush only the text changes.
class TAABlend {
public:
    explicit TAABlend(TAAFont* owner);
    TAABlend(const TAABlend&) = delete;
    TAABlend& operator=(const TAABlend&) = delete;

    [[nodiscard]] TAAFont* Owner() const { return m_owner; }
    // The 24-bit fill image BlendFill lays through the mask.
    [[nodiscard]] Bitmap& ForeBitmap() { return m_foreBitmap; }
    [[nodiscard]] Bitmap& WorkBitmap() { return m_workBitmap; }

    // Alpha is 0..100 percent; larger values count as 100.
    void BlendColor(int32_t x, int32_t y, const TAAMask& mask, uint8_t alpha, TColor color);
    // Throws EInvalidForeBmp, before drawing, unless ForeBitmap is 24-bit and
    // exactly the mask's size.
    void BlendFill(int32_t x, int32_t y, const TAAMask& mask, uint8_t alpha);

    void Assign(const TAABlend& source);

private:
    void Compose(int32_t x, int32_t y, const TAAMask& mask, uint8_t alpha, const TColor* color);

    TAAFont* m_owner;
    Bitmap m_foreBitmap{PixelFormat::pf24bit};
    Bitmap m_workBitmap{PixelFormat::pf24bit};
};

// A target canvas (not owned, may be absent) with one mask and one blender.
class TAAFont {
public:
    explicit TAAFont(Canvas* canvas = nullptr);
    virtual ~TAAFont();
    TAAFont(const TAAFont&) = delete;
    TAAFont& operator=(const TAAFont&) = delete;

    [[nodiscard]] Canvas* GetCanvas() const { return m_canvas; }
    void SetCanvas(Canvas* canvas) { m_canvas = canvas; }
    [[nodiscard]] TAAMask& Mask() { return *m_mask; }
    [[nodiscard]] TAABlend& Blend() { return *m_blend; }

    [[nodiscard]] virtual int32_t TextWidth(std::string_view text) { return m_mask->TextWidth(text); }
    [[nodiscard]] virtual int32_t TextHeight(std::string_view text) { return m_mask->TextHeight(text); }

private:
    Canvas* m_canvas;
    std::unique_ptr<TAAMask> m_mask;
    std::unique_ptr<TAABlend> m_blend;
};

} // namespace saver
