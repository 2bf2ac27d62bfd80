#include "gdi/Canvas.h"

#include "gdi/Bitmap.h"

#include <cstring>

namespace saver {

Canvas::Canvas(Bitmap* target) : m_target(target) {}

Rect Canvas::DeviceClip(const Rect& rect) const
{
    Rect r = rect;
    if (m_clip)
        r.Intersect(*m_clip);
    r.Offset(m_origin.X, m_origin.Y);
    return r.Intersected({0, 0, m_target->Width(), m_target->Height()});
}

void Canvas::FillRect(const Rect& rect)
{
    if (!m_target)
        return;
    const Rect r = DeviceClip(rect);
    if (r.IsEmpty())
        return;
    const TColor color = ColorToRGB(Brush.Color);
    if (BitsPerPixel(m_target->GetPixelFormat()) == 32) {
        const uint32_t pixel = uint32_t(GetBValue(color)) | uint32_t(GetGValue(color)) << 8 |
                               uint32_t(GetRValue(color)) << 16;
        for (int32_t y = r.Top; y < r.Bottom; ++y) {
            uint8_t* row = m_target->ScanLine(y);
            for (int32_t x = r.Left; x < r.Right; ++x)
                std::memcpy(row + x * 4, &pixel, 4);
        }
        return;
    }
    for (int32_t y = r.Top; y < r.Bottom; ++y)
        for (int32_t x = r.Left; x < r.Right; ++x)
            m_target->SetPixel(x, y, color);
}

void Canvas::Draw(int32_t x, int32_t y, const Bitmap& source)
{
    if (!m_target || source.Empty())
        return;
    const Rect r = DeviceClip(Rect::FromSize(x, y, source.Width(), source.Height()));
    if (r.IsEmpty())
        return;
    // Source coordinates of the device rectangle's top-left.
    const int32_t sx = r.Left - (x + m_origin.X);
    const int32_t sy = r.Top - (y + m_origin.Y);
    const bool sameLayout = BitsPerPixel(source.GetPixelFormat()) == BitsPerPixel(m_target->GetPixelFormat());
    if (sameLayout) {
        const int bytes = BitsPerPixel(source.GetPixelFormat()) / 8;
        for (int32_t row = 0; row < r.Height(); ++row)
            std::memcpy(m_target->ScanLine(r.Top + row) + size_t(r.Left) * bytes,
                        source.ScanLine(sy + row) + size_t(sx) * bytes, size_t(r.Width()) * bytes);
        return;
    }
    for (int32_t row = 0; row < r.Height(); ++row)
        for (int32_t col = 0; col < r.Width(); ++col)
            m_target->SetPixel(r.Left + col, r.Top + row, source.GetPixel(sx + col, sy + row));
}

} // namespace saver
