#pragma once
// The platform's colour value: low byte red, then green, then blue. Values
// with the high byte 0xFF name system colours and resolve to RGB before
// drawing.

#include <cstdint>

namespace saver {

using TColor = uint32_t;

constexpr TColor RGB(uint8_t r, uint8_t g, uint8_t b) { return TColor(r) | (TColor(g) << 8) | (TColor(b) << 16); }
constexpr uint8_t GetRValue(TColor c) { return uint8_t(c); }
constexpr uint8_t GetGValue(TColor c) { return uint8_t(c >> 8); }
constexpr uint8_t GetBValue(TColor c) { return uint8_t(c >> 16); }

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clGreen = 0x008000;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;

// System colours: 0xFF000000 | COLOR_xxx index.
constexpr TColor clSystemColor = 0xFF000000;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clNone = 0x1FFFFFFF;

// Resolves a system colour to the classic Windows scheme's RGB value; plain
// colours pass through with their high byte cleared.
TColor ColorToRGB(TColor color);

} // namespace saver
