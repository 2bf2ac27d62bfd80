#pragma once
// The font object of controls and font sets.

#include "gdi/Canvas.h"

#include <cstdint>
#include <functional>
#include <string>

namespace saver {

// A font object: a canvas font's attributes with a change report.
class TFont {
public:
    TFont() = default;
    TFont(const TFont&) = delete;
    TFont& operator=(const TFont&) = delete;

    [[nodiscard]] const CanvasFont& Get() const { return m_font; }
    // Copies every attribute; reports once if any differs.
    void Assign(const CanvasFont& font);
    void Assign(const TFont& font) { Assign(font.m_font); }

    [[nodiscard]] const std::string& Name() const { return m_font.Name; }
    void SetName(const std::string& value);
    [[nodiscard]] int32_t Height() const { return m_font.Height; }
    void SetHeight(int32_t value);
    // Points at 96 pixels an inch: Height = -MulDiv(size, 96, 72).
    [[nodiscard]] int32_t Size() const;
    void SetSize(int32_t points);
    [[nodiscard]] TColor Color() const { return m_font.Color; }
    void SetColor(TColor value);
    [[nodiscard]] uint32_t Style() const { return m_font.Style; }
    void SetStyle(uint32_t value);
    [[nodiscard]] uint8_t Charset() const { return m_font.Charset; }
    void SetCharset(uint8_t value);

    std::function<void()> OnChange;

private:
    template <class T>
    void SetField(T CanvasFont::*field, const T& value);
    void Changed();
    CanvasFont m_font;
};

} // namespace saver
