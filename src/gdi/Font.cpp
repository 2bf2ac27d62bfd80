#include "gdi/Font.h"

#include "core/MulDiv.h"

namespace saver {

void TFont::Changed()
{
    if (OnChange)
        OnChange();
}

void TFont::Assign(const CanvasFont& font)
{
    if (m_font.Name == font.Name && m_font.Height == font.Height && m_font.Color == font.Color &&
        m_font.Style == font.Style && m_font.Charset == font.Charset)
        return;
    m_font = font;
    Changed();
}

template <class T>
void TFont::SetField(T CanvasFont::*field, const T& value)
{
    CanvasFont font = m_font;
    font.*field = value;
    Assign(font);
}

void TFont::SetName(const std::string& value) { SetField(&CanvasFont::Name, value); }
void TFont::SetHeight(int32_t value) { SetField(&CanvasFont::Height, value); }
void TFont::SetColor(TColor value) { SetField(&CanvasFont::Color, value); }
void TFont::SetStyle(uint32_t value) { SetField(&CanvasFont::Style, value); }
void TFont::SetCharset(uint8_t value) { SetField(&CanvasFont::Charset, value); }

int32_t TFont::Size() const { return -MulDiv(m_font.Height, 72, 96); }

void TFont::SetSize(int32_t points) { SetHeight(-MulDiv(points, 96, 72)); }

} // namespace saver
