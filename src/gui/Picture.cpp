#include "gui/Picture.h"

#include "core/Error.h"
#include "core/Utf8Path.h"
#include "gdi/Canvas.h"
#include "gdi/Jpeg.h"

#include <fstream>
#include <iterator>

namespace saver {

void BitmapGraphic::Draw(Canvas& canvas, int32_t x, int32_t y) const { canvas.Draw(x, y, m_bitmap); }

void BitmapGraphic::StretchDraw(Canvas& canvas, const Rect& rect) const { canvas.StretchDraw(rect, m_bitmap); }

std::unique_ptr<Graphic> BitmapGraphic::Clone() const { return std::make_unique<BitmapGraphic>(m_bitmap); }

JpegGraphic::JpegGraphic(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes))
{
    const JpegHeaderResult header = ReadJpegHeader(m_bytes);
    if (!header.ok)
        throw Exception("JPEG error: " + header.error);
    m_width = header.UprightWidth(); // decoding turns it upright
    m_height = header.UprightHeight();
}

const Bitmap& JpegGraphic::Decoded() const
{
    if (!m_decoded) {
        auto bitmap = std::make_unique<Bitmap>(PixelFormat::pf24bit);
        DecodeJpeg(m_bytes, *bitmap);
        m_decoded = std::move(bitmap);
    }
    return *m_decoded;
}

void JpegGraphic::Draw(Canvas& canvas, int32_t x, int32_t y) const { canvas.Draw(x, y, Decoded()); }

void JpegGraphic::StretchDraw(Canvas& canvas, const Rect& rect) const { canvas.StretchDraw(rect, Decoded()); }

void JpegGraphic::AssignTo(Bitmap& target) const { target.Assign(Decoded()); }

std::unique_ptr<Graphic> JpegGraphic::Clone() const { return std::make_unique<JpegGraphic>(m_bytes); }

void Picture::Changed()
{
    if (OnChange)
        OnChange();
}

void Picture::Assign(const Picture* other)
{
    if (other == this)
        return;
    m_graphic = other && other->m_graphic ? other->m_graphic->Clone() : nullptr;
    Changed();
}

void Picture::SetGraphic(std::unique_ptr<Graphic> graphic)
{
    m_graphic = std::move(graphic);
    Changed();
}

void Picture::LoadFromFile(const std::string& path)
{
    std::ifstream file(Utf8Path(path), std::ios::binary);
    if (!file)
        throw Exception("Cannot open " + path);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    try {
        SetGraphic(std::make_unique<JpegGraphic>(std::move(bytes)));
    } catch (const Exception& e) {
        throw Exception(path + ": " + e.what());
    }
}

} // namespace saver
