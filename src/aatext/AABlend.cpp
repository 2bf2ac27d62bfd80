// Composing a coverage mask onto the target canvas, in one colour or through
// the fill image.
#include "aatext/AAMask.h"
#include "aatext/AAInternal.h"

#include <algorithm>
#include <cstring>

namespace saver {

namespace aatext {

void FillRow24(uint8_t* row, int32_t width, TColor rgb)
{
    const uint8_t b = GetBValue(rgb), g = GetGValue(rgb), r = GetRValue(rgb);
    for (int32_t x = 0; x < width; ++x, row += 3) {
        row[0] = b;
        row[1] = g;
        row[2] = r;
    }
}

void FillBitmap24(Bitmap& bitmap, TColor rgb)
{
    if (bitmap.Empty())
        return;
    const uint8_t* first = bitmap.ScanLine(0);
    FillRow24(bitmap.ScanLine(0), bitmap.Width(), rgb);
    for (int32_t y = 1; y < bitmap.Height(); ++y)
        std::memcpy(bitmap.ScanLine(y), first, size_t(bitmap.Width()) * 3);
}

} // namespace aatext

namespace {

// Moves every work pixel towards its target by t / 256, t = coverage * a
// / 256: t 0 leaves the pixel, t 255 sets the target exactly. The target is
// the fill image's pixel (Fill) or one colour.
template <bool Fill>
void BlendRows(Bitmap& work, const TAAMask& mask, uint32_t a, const Bitmap* fore, TColor rgb)
{
    const int32_t cb = GetBValue(rgb), cg = GetGValue(rgb), cr = GetRValue(rgb);
    const int32_t width = work.Width();
    for (int32_t y = 0; y < work.Height(); ++y) {
        const uint8_t* m = mask.ScanLine(y);
        uint8_t* p = work.ScanLine(y);
        const uint8_t* f = Fill ? fore->ScanLine(y) : nullptr;
        for (int32_t x = 0; x < width; ++x, p += 3) {
            const int32_t t = int32_t((uint32_t(m[x]) * a) >> 8);
            if (t == 0)
                continue;
            const int32_t tb = Fill ? f[x * 3] : cb, tg = Fill ? f[x * 3 + 1] : cg, tr = Fill ? f[x * 3 + 2] : cr;
            if (t == 255) {
                p[0] = uint8_t(tb);
                p[1] = uint8_t(tg);
                p[2] = uint8_t(tr);
            } else {
                // The shift floors towards minus infinity, so the channel
                // stays between its old value and the target.
                p[0] = uint8_t(p[0] + (((tb - p[0]) * t) >> 8));
                p[1] = uint8_t(p[1] + (((tg - p[1]) * t) >> 8));
                p[2] = uint8_t(p[2] + (((tr - p[2]) * t) >> 8));
            }
        }
    }
}

} // namespace

TAABlend::TAABlend(TAAFont* owner) : m_owner(owner) {}

void TAABlend::BlendColor(int32_t x, int32_t y, const TAAMask& mask, uint8_t alpha, TColor color)
{
    if (!m_owner || !m_owner->GetCanvas())
        return;
    const TColor rgb = ColorToRGB(color);
    Compose(x, y, mask, alpha, &rgb);
}

void TAABlend::BlendFill(int32_t x, int32_t y, const TAAMask& mask, uint8_t alpha)
{
    if (!m_owner || !m_owner->GetCanvas())
        return;
    if (m_foreBitmap.GetPixelFormat() != PixelFormat::pf24bit || m_foreBitmap.Width() != mask.Width() ||
        m_foreBitmap.Height() != mask.Height())
        throw EInvalidForeBmp();
    Compose(x, y, mask, alpha, nullptr);
}

void TAABlend::Compose(int32_t x, int32_t y, const TAAMask& mask, uint8_t alpha, const TColor* color)
{
    Canvas& target = *m_owner->GetCanvas();
    const int32_t width = mask.Width(), height = mask.Height();
    m_workBitmap.SetPixelFormat(PixelFormat::pf24bit);
    m_workBitmap.SetSize(width, height);
    if (m_workBitmap.Empty())
        return;
    // Alpha above 100 would carry t past 255 and the channels past their
    // target.
    const uint32_t a = uint32_t(std::min<uint8_t>(alpha, 100)) * 256 / 100;

    Canvas& work = m_workBitmap.GetCanvas();
    work.Brush = target.Brush;
    if (target.Brush.Style == BrushStyle::bsSolid)
        aatext::FillBitmap24(m_workBitmap, ColorToRGB(target.Brush.Color));
    else
        work.CopyRect(Rect{0, 0, width, height}, target, Rect::FromSize(x, y, width, height));

    if (color)
        BlendRows<false>(m_workBitmap, mask, a, nullptr, *color);
    else
        BlendRows<true>(m_workBitmap, mask, a, &m_foreBitmap, 0);
    target.Draw(x, y, m_workBitmap);
}

void TAABlend::Assign(const TAABlend& source)
{
    if (&source != this)
        m_foreBitmap.Assign(source.m_foreBitmap);
}

TAAFont::TAAFont(Canvas* canvas)
    : m_canvas(canvas), m_mask(std::make_unique<TAAMask>(this)), m_blend(std::make_unique<TAABlend>(this))
{
}

TAAFont::~TAAFont() = default;

} // namespace saver
