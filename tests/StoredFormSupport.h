#pragma once
// Stored descriptions for tests: picture data in the stored notation, and a
// plain form that loads one described control.

#include "gdi/Bitmap.h"
#include "gui/Form.h"
#include "gui/FormLoader.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace saver::test {

// An uncompressed 24-bit BMP file of the bitmap, rows bottom-up.
inline std::vector<uint8_t> BmpFile(const Bitmap& bitmap)
{
    const auto w = uint32_t(bitmap.Width()), h = uint32_t(bitmap.Height());
    const uint32_t stride = (w * 3 + 3) / 4 * 4, offset = 14 + 40;
    std::vector<uint8_t> file(offset + size_t(stride) * h);
    const auto put = [&](size_t at, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            file[at + size_t(i)] = uint8_t(value >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put(2, uint32_t(file.size()), 4);
    put(10, offset, 4);
    put(14, 40, 4);
    put(18, w, 4);
    put(22, h, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const TColor c = bitmap.GetPixel(int32_t(x), int32_t(h - 1 - y));
            const size_t at = offset + size_t(y) * stride + x * 3;
            file[at] = uint8_t(c >> 16);
            file[at + 1] = uint8_t(c >> 8);
            file[at + 2] = uint8_t(c);
        }
    return file;
}

// A picture's stored data: the graphic class, the length, the bytes.
inline std::string StoredPictureData(std::string_view className, const std::vector<uint8_t>& bytes)
{
    std::vector<uint8_t> data{uint8_t(className.size())};
    data.insert(data.end(), className.begin(), className.end());
    for (int i = 0; i < 4; ++i)
        data.push_back(uint8_t(bytes.size() >> (8 * i)));
    data.insert(data.end(), bytes.begin(), bytes.end());
    static const char* const kDigits = "0123456789ABCDEF";
    std::string text = "{";
    for (size_t i = 0; i < data.size(); ++i) {
        if (i % 32 == 0)
            text += "\n  ";
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 15];
    }
    return text + "}";
}

// One stored property of a control and the same setting made in code.
template <class Control>
struct StoredSetting {
    std::string Line;
    std::function<void(Control&)> Apply;
};

// A form description holding one control of `className` with the settings'
// lines, in order.
template <class Control>
std::string OneControlForm(std::string_view className, const std::vector<StoredSetting<Control>>& settings)
{
    std::string text = "object Holder: TForm\n  ClientWidth = 120\n  ClientHeight = 90\n  object Shown: ";
    text.append(className).append("\n");
    for (const StoredSetting<Control>& setting : settings)
        text += "    " + setting.Line + "\n";
    return text + "  end\nend\n";
}

// Plain forms as description roots, with the classes `registerClasses` adds.
template <class Register>
ComponentClasses FormClasses(Register registerClasses)
{
    ComponentClasses classes;
    RegisterFormRoot<Form>(classes, "TForm");
    registerClasses(classes);
    return classes;
}

} // namespace saver::test
