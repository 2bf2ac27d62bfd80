#include "gdi/Bitmap.h"

#include "core/Error.h"
#include "gdi/Canvas.h"

#include <cstring>
#include <limits>
#include <string>

namespace saver {

int BitsPerPixel(PixelFormat format)
{
    switch (format) {
    case PixelFormat::pf8bit:
        return 8;
    case PixelFormat::pf24bit:
        return 24;
    case PixelFormat::pf32bit:
    case PixelFormat::pfDevice:
        return 32;
    }
    return 32;
}

size_t RowStride(int32_t width, PixelFormat format)
{
    if (width < 0 || width > Bitmap::kMaxDimension)
        throw Exception("Invalid bitmap width " + std::to_string(width));
    const size_t bits = size_t(width) * size_t(BitsPerPixel(format));
    return ((bits + 31) / 32) * 4;
}

Bitmap::Bitmap(PixelFormat format) : m_format(format), m_canvas(std::make_unique<Canvas>(this)) {}

Bitmap::Bitmap(int32_t width, int32_t height, PixelFormat format) : Bitmap(format) { SetSize(width, height); }

Bitmap::~Bitmap() = default;

void Bitmap::Allocate(int32_t width, int32_t height, PixelFormat format)
{
    if (height < 0 || height > kMaxDimension)
        throw Exception("Invalid bitmap height " + std::to_string(height));
    const size_t stride = RowStride(width, format);
    // Both dimensions are capped, so stride * height fits comfortably in size_t;
    // the cap on one dimension is the judgement call, this product is what matters.
    if (height != 0 && stride > std::numeric_limits<size_t>::max() / size_t(height))
        throw Exception("Bitmap too large");
    std::vector<uint8_t, PixelAllocator<uint8_t>> pixels(stride * size_t(height), 0);
    m_pixels.swap(pixels);
    m_width = width;
    m_height = height;
    m_stride = stride;
    m_format = format;
}

void Bitmap::SetSize(int32_t width, int32_t height)
{
    if (width == m_width && height == m_height)
        return;
    Allocate(width, height, m_format);
}

void Bitmap::SetPixelFormat(PixelFormat format)
{
    if (format == m_format)
        return;
    Bitmap converted(m_width, m_height, format);
    for (int32_t y = 0; y < m_height; ++y)
        for (int32_t x = 0; x < m_width; ++x)
            converted.SetPixel(x, y, GetPixel(x, y));
    m_pixels.swap(converted.m_pixels);
    m_stride = converted.m_stride;
    m_format = format;
}

uint8_t* Bitmap::ScanLine(int32_t y)
{
    if (y < 0 || y >= m_height)
        throw Exception("Scan line index out of range");
    return m_pixels.data() + size_t(m_height - 1 - y) * m_stride;
}

const uint8_t* Bitmap::ScanLine(int32_t y) const { return const_cast<Bitmap*>(this)->ScanLine(y); }

TColor Bitmap::GetPixel(int32_t x, int32_t y) const
{
    if (x < 0 || x >= m_width)
        throw Exception("Pixel index out of range");
    const uint8_t* row = ScanLine(y);
    switch (m_format) {
    case PixelFormat::pf8bit:
        return RGB(row[x], row[x], row[x]);
    case PixelFormat::pf24bit:
        return RGB(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
    case PixelFormat::pf32bit:
    case PixelFormat::pfDevice:
        return RGB(row[x * 4 + 2], row[x * 4 + 1], row[x * 4]);
    }
    return 0;
}

void Bitmap::SetPixel(int32_t x, int32_t y, TColor color)
{
    if (x < 0 || x >= m_width)
        throw Exception("Pixel index out of range");
    color = ColorToRGB(color);
    uint8_t* row = ScanLine(y);
    const uint8_t r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
    switch (m_format) {
    case PixelFormat::pf8bit:
        // The grey palette's nearest entry: the luminance.
        row[x] = uint8_t((r * 77 + g * 150 + b * 29 + 128) >> 8);
        break;
    case PixelFormat::pf24bit:
        row[x * 3] = b;
        row[x * 3 + 1] = g;
        row[x * 3 + 2] = r;
        break;
    case PixelFormat::pf32bit:
    case PixelFormat::pfDevice:
        row[x * 4] = b;
        row[x * 4 + 1] = g;
        row[x * 4 + 2] = r;
        row[x * 4 + 3] = 0;
        break;
    }
}

Canvas& Bitmap::GetCanvas() { return *m_canvas; }

void Bitmap::Assign(const Bitmap& other)
{
    if (&other == this)
        return;
    m_pixels = other.m_pixels;
    m_width = other.m_width;
    m_height = other.m_height;
    m_stride = other.m_stride;
    m_format = other.m_format;
}

} // namespace saver
