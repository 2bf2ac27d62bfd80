// The coverage mask: rendering at Scale times the size, downsampling, the
// outline and blur filters, and row access.
#include "aatext/AAMask.h"
#include "aatext/AAInternal.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace saver {

using aatext::RoundDivHalfEven;

int32_t QualityScale(TAAQuality quality)
{
    switch (quality) {
    case TAAQuality::aqHigh:
        return 4;
    case TAAQuality::aqNormal:
        return 3;
    case TAAQuality::aqLow:
        return 2;
    case TAAQuality::aqNone:
        return 1;
    }
    return 1;
}

TAAMask::TAAMask(TAAFont* owner) : m_owner(owner)
{
    Canvas& canvas = m_renderBitmap.GetCanvas();
    canvas.Brush = {clBlack, BrushStyle::bsSolid};
}

void TAAMask::SetQuality(TAAQuality quality)
{
    m_quality = quality;
    m_scale = QualityScale(quality);
}

TextSize TAAMask::MeasureScaled(std::string_view text) const
{
    Canvas& canvas = *m_owner->GetCanvas();
    // The canvas font is enlarged for the measurement and put back, also when
    // measuring fails.
    const CanvasStateSaver restore(canvas);
    canvas.Font.Height *= m_scale;
    return canvas.TextExtent(text);
}

int32_t TAAMask::TextWidth(std::string_view text) const
{
    if (!m_owner || !m_owner->GetCanvas())
        return 0;
    int32_t width = (MeasureScaled(text).Width + m_scale - 1) / m_scale;
    // Room for the slanted right edge of italic text: width / length * 0.3 in
    // double precision, rounded half to even. The floating-point steps are
    // part of the result (35 / 3 * 0.3 is just below 3.5, so 3, not 4); each
    // is stored as a double, so the x87's wider registers cannot change it.
    if ((m_owner->GetCanvas()->Font.Style & fsItalic) != 0 && !text.empty()) {
        volatile double perCharacter = double(width) / double(text.size());
        volatile double extra = perCharacter * 0.3;
        width += int32_t(std::nearbyint(extra));
    }
    return width;
}

int32_t TAAMask::TextHeight(std::string_view text) const
{
    if (!m_owner || !m_owner->GetCanvas())
        return 0;
    return (MeasureScaled(text).Height + m_scale - 1) / m_scale;
}

void TAAMask::DrawText(std::string_view text) { Render(text, TextWidth(text), TextHeight(text), Point{0, 0}); }

void TAAMask::Render(std::string_view text, int32_t width, int32_t height, Point origin)
{
    Canvas* owner = m_owner ? m_owner->GetCanvas() : nullptr;
    if (!owner)
        return;
    width = std::max(width, 0);
    height = std::max(height, 0);
    m_renderBitmap.SetSize(std::max(m_renderBitmap.Width(), width * m_scale),
                           std::max(m_renderBitmap.Height(), height * m_scale));

    Canvas& canvas = m_renderBitmap.GetCanvas();
    canvas.Font = owner->Font;
    canvas.Font.Height *= m_scale;
    canvas.Font.Color = clWhite;
    for (int32_t y = 0; y < m_renderBitmap.Height(); ++y)
        std::memset(m_renderBitmap.ScanLine(y), 0, m_renderBitmap.Stride());
    // The bitmap is black already, so the opaque text background changes
    // nothing; only the glyphs are drawn.
    {
        const CanvasStateSaver restore(canvas);
        canvas.Brush.Style = BrushStyle::bsClear;
        canvas.TextOut(origin.X, origin.Y, text);
    }

    SetSize(width, height);
    Downsample();
}

void TAAMask::Downsample()
{
    const int32_t s = m_scale;
    for (int32_t y = 0; y < m_height; ++y) {
        uint8_t* out = ScanLine(y);
        const uint8_t* r0 = m_renderBitmap.ScanLine(y * s);
        switch (m_quality) {
        case TAAQuality::aqHigh: {
            const uint8_t* r1 = m_renderBitmap.ScanLine(y * s + 1);
            const uint8_t* r2 = m_renderBitmap.ScanLine(y * s + 2);
            const uint8_t* r3 = m_renderBitmap.ScanLine(y * s + 3);
            for (int32_t x = 0, c = 0; x < m_width; ++x, c += 4) {
                const uint32_t sum = uint32_t(r0[c]) + r0[c + 1] + r0[c + 2] + r0[c + 3] + r1[c] + r1[c + 1] +
                                     r1[c + 2] + r1[c + 3] + r2[c] + r2[c + 1] + r2[c + 2] + r2[c + 3] + r3[c] +
                                     r3[c + 1] + r3[c + 2] + r3[c + 3];
                out[x] = uint8_t(sum >> 4);
            }
            break;
        }
        case TAAQuality::aqNormal: {
            // Weights 1 1 1/2 / 1 1 1 / 1/2 1 1: at most 254.
            const uint8_t* r1 = m_renderBitmap.ScanLine(y * s + 1);
            const uint8_t* r2 = m_renderBitmap.ScanLine(y * s + 2);
            for (int32_t x = 0, c = 0; x < m_width; ++x, c += 3) {
                const uint32_t sum = uint32_t(r0[c]) + r0[c + 1] + (r0[c + 2] >> 1) + r1[c] + r1[c + 1] +
                                     r1[c + 2] + (r2[c] >> 1) + r2[c + 1] + r2[c + 2];
                out[x] = uint8_t(sum >> 3);
            }
            break;
        }
        case TAAQuality::aqLow: {
            const uint8_t* r1 = m_renderBitmap.ScanLine(y * s + 1);
            for (int32_t x = 0, c = 0; x < m_width; ++x, c += 2)
                out[x] = uint8_t((uint32_t(r0[c]) + r0[c + 1] + r1[c] + r1[c + 1]) >> 2);
            break;
        }
        case TAAQuality::aqNone:
            std::memcpy(out, r0, size_t(m_width));
            break;
        }
    }
}

namespace {

// Row y (from the top) of a bottom-up buffer laid out like the mask.
inline const uint8_t* SourceRow(const std::vector<uint8_t>& data, int32_t height, int32_t bytesPerRow, int32_t y)
{
    return data.data() + size_t(height - 1 - y) * size_t(bytesPerRow);
}

} // namespace

void TAAMask::ApplyOutline()
{
    if (m_width < 3 || m_height < 3)
        return;
    const std::vector<uint8_t> source = m_data;
    for (int32_t y = 1; y < m_height - 1; ++y) {
        const uint8_t* u = SourceRow(source, m_height, m_bytesPerRow, y - 1);
        const uint8_t* m = SourceRow(source, m_height, m_bytesPerRow, y);
        const uint8_t* d = SourceRow(source, m_height, m_bytesPerRow, y + 1);
        uint8_t* out = ScanLine(y);
        for (int32_t x = 1; x < m_width - 1; ++x) {
            const int32_t a = int32_t(d[x]) - u[x], b = int32_t(m[x + 1]) - m[x - 1];
            const int32_t c = int32_t(d[x - 1]) - u[x + 1], e = int32_t(d[x + 1]) - u[x - 1];
            const int32_t value = ((a < 0 ? -a : a) + (b < 0 ? -b : b) + (c < 0 ? -c : c) + (e < 0 ? -e : e)) >> 2;
            out[x] = uint8_t(value > 255 ? 255 : value);
        }
    }
}

void TAAMask::ApplyBlur(uint8_t strength)
{
    if (m_width == 0 || m_height == 0)
        return;
    // Strengths above 100 would push the mix past the filtered value and
    // out of the byte range.
    const int32_t k = int32_t(RoundDivHalfEven(int64_t(std::min<uint8_t>(strength, 100)) * 255, 100));
    const std::vector<uint8_t> source = m_data;

    // Horizontal 5-sums of every row, columns clamped to the edge through a
    // padded copy of the row.
    const size_t w = size_t(m_width);
    std::vector<int32_t> rowSums(w * size_t(m_height));
    std::vector<int32_t> padded(w + 4);
    for (int32_t y = 0; y < m_height; ++y) {
        const uint8_t* in = SourceRow(source, m_height, m_bytesPerRow, y);
        padded[0] = padded[1] = in[0];
        for (size_t x = 0; x < w; ++x)
            padded[x + 2] = in[x];
        padded[w + 2] = padded[w + 3] = in[w - 1];
        int32_t* sums = rowSums.data() + size_t(y) * w;
        int32_t run = padded[0] + padded[1] + padded[2] + padded[3] + padded[4];
        for (size_t x = 0; x < w; ++x) {
            sums[x] = run;
            if (x + 5 < w + 4)
                run += padded[x + 5] - padded[x];
        }
    }

    for (int32_t y = 0; y < m_height; ++y) {
        const int32_t* rows[5];
        for (int32_t i = 0; i < 5; ++i)
            rows[i] = rowSums.data() + size_t(std::clamp(y + i - 2, 0, m_height - 1)) * w;
        uint8_t* out = ScanLine(y);
        for (size_t x = 0; x < w; ++x) {
            const int32_t box = rows[0][x] + rows[1][x] + rows[2][x] + rows[3][x] + rows[4][x];
            // box / 25 rounded; 25 is odd, so there are no halves.
            const int32_t b = (box + 12) / 25;
            const int32_t p = out[x];
            // The shift floors towards minus infinity: the result stays
            // between p and b.
            out[x] = uint8_t(k == 255 ? b : p + (((b - p) * k) >> 8));
        }
    }
}

uint8_t* TAAMask::ScanLine(int32_t y)
{
    if (y < 0 || y >= m_height)
        throw EInvalidLine();
    return m_data.data() + size_t(m_height - 1 - y) * size_t(m_bytesPerRow);
}

const uint8_t* TAAMask::ScanLine(int32_t y) const { return const_cast<TAAMask*>(this)->ScanLine(y); }

void TAAMask::SetSize(int32_t width, int32_t height)
{
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    m_bytesPerRow = (m_width + 3) / 4 * 4;
    m_data.assign(size_t(m_bytesPerRow) * size_t(m_height), 0);
}

void TAAMask::Assign(const TAAMask& source)
{
    if (&source == this)
        return;
    m_width = source.m_width;
    m_height = source.m_height;
    SetQuality(source.m_quality);
    m_bytesPerRow = source.m_bytesPerRow;
    m_data = source.m_data;
}

} // namespace saver
