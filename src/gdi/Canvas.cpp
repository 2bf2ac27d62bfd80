#include "gdi/Canvas.h"

#include "gdi/Bitmap.h"

#include <algorithm>
#include <cstring>

namespace saver {

Canvas::Canvas(Bitmap* target) : m_target(target) {}

CanvasStateSaver::CanvasStateSaver(Canvas& canvas)
    : m_canvas(canvas), m_target(canvas.m_target), m_origin(canvas.m_origin), m_deviceClip(canvas.m_deviceClip),
      m_clipRegion(canvas.m_clipRegion), m_stretchMode(canvas.m_stretchMode), m_brush(canvas.Brush),
      m_pen(canvas.Pen), m_font(canvas.Font)
{
}

CanvasStateSaver::~CanvasStateSaver()
{
    m_canvas.m_target = m_target;
    m_canvas.m_origin = m_origin;
    m_canvas.m_deviceClip = m_deviceClip;
    m_canvas.m_clipRegion = std::move(m_clipRegion);
    m_canvas.m_stretchMode = m_stretchMode;
    m_canvas.Brush = m_brush;
    m_canvas.Pen = m_pen;
    m_canvas.Font = std::move(m_font);
}

void Canvas::SelectClipRgn(const Region* region)
{
    if (region)
        m_clipRegion = *region;
    else
        m_clipRegion.reset();
}

std::vector<Rect> Canvas::DeviceRects(const std::optional<Rect>& area) const
{
    std::vector<Rect> rects;
    if (!m_target)
        return rects;
    Rect limit{0, 0, m_target->Width(), m_target->Height()};
    if (m_deviceClip)
        limit.Intersect(m_deviceClip->Offsetted(m_origin.X, m_origin.Y));
    if (area)
        limit.Intersect(area->Offsetted(m_origin.X, m_origin.Y));
    if (limit.IsEmpty())
        return rects;
    if (!m_clipRegion) {
        rects.push_back(limit);
        return rects;
    }
    for (const Rect& r : m_clipRegion->Rects()) {
        const Rect device = r.Offsetted(m_origin.X, m_origin.Y).Intersected(limit);
        if (!device.IsEmpty())
            rects.push_back(device);
    }
    return rects;
}

void Canvas::FillRect(const Rect& rect)
{
    if (Brush.Style == BrushStyle::bsClear)
        return;
    const TColor color = ColorToRGB(Brush.Color);
    const uint32_t pixel =
        uint32_t(GetBValue(color)) | uint32_t(GetGValue(color)) << 8 | uint32_t(GetRValue(color)) << 16;
    for (const Rect& r : DeviceRects(rect)) {
        if (BitsPerPixel(m_target->GetPixelFormat()) == 32) {
            for (int32_t y = r.Top; y < r.Bottom; ++y) {
                uint8_t* row = m_target->ScanLine(y);
                for (int32_t x = r.Left; x < r.Right; ++x)
                    std::memcpy(row + x * 4, &pixel, 4);
            }
            continue;
        }
        for (int32_t y = r.Top; y < r.Bottom; ++y)
            for (int32_t x = r.Left; x < r.Right; ++x)
                m_target->SetPixel(x, y, color);
    }
}

void Canvas::Rectangle(const Rect& rect)
{
    if (rect.IsEmpty())
        return;
    const int32_t w = Pen.Style == PenStyle::psClear ? 0 : std::max(Pen.Width, 1);
    FillRect({rect.Left + w, rect.Top + w, rect.Right - w, rect.Bottom - w});
    if (w == 0)
        return;
    const CanvasStateSaver saved(*this);
    Brush = {Pen.Color, BrushStyle::bsSolid};
    if (Pen.Style == PenStyle::psSolid) {
        FillRect({rect.Left, rect.Top, rect.Right, rect.Top + w});
        FillRect({rect.Left, rect.Bottom - w, rect.Right, rect.Bottom});
        FillRect({rect.Left, rect.Top + w, rect.Left + w, rect.Bottom - w});
        FillRect({rect.Right - w, rect.Top + w, rect.Right, rect.Bottom - w});
    } else {
        // Dashes of 6 on, 2 off (dots: 1 on, 1 off) along the outline.
        const int32_t on = Pen.Style == PenStyle::psDash ? 6 : 1, period = Pen.Style == PenStyle::psDash ? 8 : 2;
        for (int32_t x = rect.Left; x < rect.Right; ++x)
            if ((x - rect.Left) % period < on) {
                FillRect({x, rect.Top, x + 1, rect.Top + 1});
                FillRect({x, rect.Bottom - 1, x + 1, rect.Bottom});
            }
        for (int32_t y = rect.Top; y < rect.Bottom; ++y)
            if ((y - rect.Top) % period < on) {
                FillRect({rect.Left, y, rect.Left + 1, y + 1});
                FillRect({rect.Right - 1, y, rect.Right, y + 1});
            }
    }
}

void Canvas::Draw(int32_t x, int32_t y, const Bitmap& source)
{
    if (source.Empty())
        return;
    const std::vector<Rect> rects = DeviceRects(Rect::FromSize(x, y, source.Width(), source.Height()));
    if (rects.empty())
        return;
    if (&source == m_target) {
        // Same bitmap: the platform reads the source as it was.
        Bitmap copy(source.GetPixelFormat());
        copy.Assign(source);
        Draw(x, y, copy);
        return;
    }
    const int32_t left = x + m_origin.X, top = y + m_origin.Y;
    if (BitsPerPixel(source.GetPixelFormat()) != BitsPerPixel(m_target->GetPixelFormat())) {
        // Converting formats: an unscaled StretchBlt maps pixel to pixel.
        saver::StretchBlt(*m_target, rects, left, top, source.Width(), source.Height(), source, 0, 0, source.Width(),
                          source.Height(), StretchMode::COLORONCOLOR);
        return;
    }
    // Band by band and row by row: a clip region of many narrow rectangles
    // (bars, shreds) is copied in memory order rather than column by column.
    // Rows are stored bottom-up, so that order is from the last band and row
    // to the first.
    const int bytes = BitsPerPixel(source.GetPixelFormat()) / 8;
    for (size_t end = rects.size(); end > 0;) {
        size_t band = end - 1;
        while (band > 0 && rects[band - 1].Top == rects[end - 1].Top &&
               rects[band - 1].Bottom == rects[end - 1].Bottom)
            --band;
        for (int32_t y = rects[band].Bottom - 1; y >= rects[band].Top; --y) {
            uint8_t* out = m_target->ScanLine(y);
            const uint8_t* in = source.ScanLine(y - top);
            for (size_t i = band; i < end; ++i)
                std::memcpy(out + size_t(rects[i].Left) * bytes, in + size_t(rects[i].Left - left) * bytes,
                            size_t(rects[i].Width()) * bytes);
        }
        end = band;
    }
}

void Canvas::StretchBlt(int32_t xd, int32_t yd, int32_t wd, int32_t hd, const Bitmap& source, int32_t xs,
                        int32_t ys, int32_t ws, int32_t hs)
{
    const StretchCopy copy{xd, yd, wd, hd, xs, ys, ws, hs};
    StretchBlts(std::span<const StretchCopy>(&copy, 1), source);
}

void Canvas::StretchBlts(std::span<const StretchCopy> copies, const Bitmap& source)
{
    if (copies.empty())
        return;
    const std::vector<Rect> rects = DeviceRects(std::nullopt);
    if (rects.empty())
        return;
    std::vector<StretchCopy> device(copies.begin(), copies.end());
    for (StretchCopy& c : device) {
        c.xd += m_origin.X;
        c.yd += m_origin.Y;
    }
    saver::StretchBlts(*m_target, rects, device, source, m_stretchMode);
}

void Canvas::StretchDraw(const Rect& dest, const Bitmap& source)
{
    StretchBlt(dest.Left, dest.Top, dest.Width(), dest.Height(), source, 0, 0, source.Width(), source.Height());
}

void Canvas::CopyRect(const Rect& dest, Canvas& source, const Rect& sourceRect)
{
    if (!source.m_target)
        return;
    StretchBlt(dest.Left, dest.Top, dest.Width(), dest.Height(), *source.m_target,
               sourceRect.Left + source.m_origin.X, sourceRect.Top + source.m_origin.Y, sourceRect.Width(),
               sourceRect.Height());
}

TextSize Canvas::TextExtent(std::string_view text) const
{
    return CurrentGlyphRenderer().MeasureText(Font, text);
}

void Canvas::TextOut(int32_t x, int32_t y, std::string_view text)
{
    const TextSize size = TextExtent(text);
    const Rect cell = Rect::FromSize(x, y, size.Width, size.Height);
    FillRect(cell);
    const std::vector<Rect> rects = DeviceRects(cell);
    if (rects.empty())
        return;
    CurrentGlyphRenderer().DrawText(*m_target, Point{x + m_origin.X, y + m_origin.Y}, Font, text, rects);
}

} // namespace saver
