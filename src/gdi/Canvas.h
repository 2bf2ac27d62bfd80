#pragma once
// Drawing onto a bitmap with the platform's device-context state: a brush,
// a pen, a font slot, a stretch mode (BLACKONWHITE for a new canvas, as on
// the platform) and a selected clip region.
//
// Two limits apply to every drawing operation, both in device pixels of the
// target after the origin is applied:
//   - the device clip: where the window system lets this canvas draw (a
//     control painting into the surface of the window that holds it);
//   - the selected clip region (SelectClipRgn), in the canvas's own
//     coordinates; the canvas keeps its own copy.
// Each canvas carries a recursive lock, which the transition control and its
// animation thread use to share a bitmap.

#include "core/Color.h"
#include "core/Geometry.h"
#include "gdi/GlyphRenderer.h"
#include "gdi/Region.h"
#include "gdi/StretchBlt.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace saver {

class Bitmap;

enum class BrushStyle { bsSolid, bsClear };
enum class PenStyle { psSolid, psDash, psDot, psClear };

struct CanvasBrush {
    TColor Color = clWhite;
    BrushStyle Style = BrushStyle::bsSolid;
};

struct CanvasPen {
    TColor Color = clBlack;
    int32_t Width = 1;
    PenStyle Style = PenStyle::psSolid;
};

enum FontStyle : uint32_t { fsNone = 0, fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// What text output needs to pick a face; the text layer reads it.
struct CanvasFont {
    std::string Name = "MS Sans Serif";
    int32_t Height = -11; // negative: character height in pixels; positive: cell height
    TColor Color = clWindowText;
    uint32_t Style = fsNone;
    uint8_t Charset = 1; // DEFAULT_CHARSET
};

class Canvas {
public:
    explicit Canvas(Bitmap* target = nullptr);
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    void SetTarget(Bitmap* target) { m_target = target; }
    [[nodiscard]] Bitmap* Target() const { return m_target; }

    // Drawing coordinates are offset by the origin.
    void SetOrigin(Point origin) { m_origin = origin; }
    [[nodiscard]] Point Origin() const { return m_origin; }
    // The device clip, in drawing coordinates; none means the whole target.
    void SetDeviceClip(std::optional<Rect> clip) { m_deviceClip = clip; }
    [[nodiscard]] std::optional<Rect> DeviceClip() const { return m_deviceClip; }

    // SelectClipRgn: the canvas keeps a copy; nullptr removes the clip.
    void SelectClipRgn(const Region* region);
    [[nodiscard]] const std::optional<Region>& ClipRegion() const { return m_clipRegion; }

    void SetStretchBltMode(StretchMode mode) { m_stretchMode = mode; }
    [[nodiscard]] StretchMode GetStretchBltMode() const { return m_stretchMode; }

    CanvasBrush Brush;
    CanvasPen Pen;
    CanvasFont Font;

    // Fills with the brush (nothing with a clear brush).
    void FillRect(const Rect& rect);
    // Outlines with the pen and fills the inside with the brush.
    void Rectangle(const Rect& rect);
    // Copies the whole source bitmap, unscaled, with its top-left at (x, y).
    void Draw(int32_t x, int32_t y, const Bitmap& source);
    // Stretches the whole source bitmap over the rectangle.
    void StretchDraw(const Rect& dest, const Bitmap& source);
    // Copies a rectangle of another canvas's bitmap, scaled to fit (CopyRect).
    void CopyRect(const Rect& dest, Canvas& source, const Rect& sourceRect);
    // StretchBlt(SRCCOPY) from a bitmap in this canvas's stretch mode.
    void StretchBlt(int32_t xd, int32_t yd, int32_t wd, int32_t hd, const Bitmap& source, int32_t xs, int32_t ys,
                    int32_t ws, int32_t hs);
    // Several StretchBlts from one bitmap, drawn as in turn but row by row
    // across them all (see saver::StretchBlts).
    void StretchBlts(std::span<const StretchCopy> copies, const Bitmap& source);

    // Text in the font (see GlyphRenderer). TextOut puts the top-left of the
    // text cell at (x, y); with a solid brush the cell is first filled with
    // the brush colour (the platform's opaque background mode), with a clear
    // brush only the glyphs are drawn.
    [[nodiscard]] TextSize TextExtent(std::string_view text) const;
    [[nodiscard]] int32_t TextWidth(std::string_view text) const { return TextExtent(text).Width; }
    [[nodiscard]] int32_t TextHeight(std::string_view text) const { return TextExtent(text).Height; }
    void TextOut(int32_t x, int32_t y, std::string_view text);

    void Lock() { m_lock.lock(); }
    void Unlock() { m_lock.unlock(); }
    bool TryLock() { return m_lock.try_lock(); }

private:
    friend class CanvasStateSaver;

    // The device rectangles drawing may touch, for a rectangle given in
    // drawing coordinates (the whole target for none).
    [[nodiscard]] std::vector<Rect> DeviceRects(const std::optional<Rect>& area) const;

    Bitmap* m_target;
    Point m_origin;
    std::optional<Rect> m_deviceClip;
    std::optional<Region> m_clipRegion;
    StretchMode m_stretchMode = StretchMode::BLACKONWHITE;
    std::recursive_mutex m_lock;
};

// Records everything drawing code may change on a canvas (target, origin,
// device clip, selected clip region, stretch mode, brush, pen, font) and puts
// it back when the scope ends, also when drawing fails: the platform's
// SaveDC / RestoreDC pair.
class CanvasStateSaver {
public:
    explicit CanvasStateSaver(Canvas& canvas);
    ~CanvasStateSaver();
    CanvasStateSaver(const CanvasStateSaver&) = delete;
    CanvasStateSaver& operator=(const CanvasStateSaver&) = delete;

private:
    Canvas& m_canvas;
    Bitmap* m_target;
    Point m_origin;
    std::optional<Rect> m_deviceClip;
    std::optional<Region> m_clipRegion;
    StretchMode m_stretchMode;
    CanvasBrush m_brush;
    CanvasPen m_pen;
    CanvasFont m_font;
};

// RAII for a canvas lock.
class CanvasLock {
public:
    explicit CanvasLock(Canvas& canvas) : m_canvas(canvas) { m_canvas.Lock(); }
    ~CanvasLock() { m_canvas.Unlock(); }
    CanvasLock(const CanvasLock&) = delete;
    CanvasLock& operator=(const CanvasLock&) = delete;

private:
    Canvas& m_canvas;
};

} // namespace saver
