#include "core/Color.h"

#include <array>

namespace saver {

TColor ColorToRGB(TColor color)
{
    if ((color & 0xFF000000) != clSystemColor)
        return color & 0x00FFFFFF;
    // The standard scheme's values, indexed by COLOR_xxx.
    static constexpr std::array<TColor, 31> kSystem = {
        RGB(212, 208, 200), RGB(58, 110, 165),  RGB(10, 36, 106),   RGB(128, 128, 128), RGB(212, 208, 200),
        RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
        RGB(212, 208, 200), RGB(212, 208, 200), RGB(128, 128, 128), RGB(10, 36, 106),   RGB(255, 255, 255),
        RGB(212, 208, 200), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(212, 208, 200),
        RGB(255, 255, 255), RGB(64, 64, 64),    RGB(212, 208, 200), RGB(0, 0, 0),       RGB(255, 255, 225),
        RGB(181, 181, 181), RGB(0, 0, 128),     RGB(166, 202, 240), RGB(192, 192, 192), RGB(49, 106, 197),
        RGB(236, 233, 216)};
    const uint32_t index = color & 0xFF;
    return index < kSystem.size() ? kSystem[index] : 0;
}

} // namespace saver
