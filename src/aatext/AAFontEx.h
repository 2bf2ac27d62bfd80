#pragma once
// Anti-aliased text drawn with an effect set. Runs on the GUI thread.

#include "aatext/AAEffects.h"
#include "aatext/AAMask.h"

#include <cstdint>
#include <string_view>

namespace saver {

// A TAAFont that draws with an effect set. The effect is created without a
// change handler; its owner installs one.
class TAAFontEx : public TAAFont {
public:
    explicit TAAFontEx(Canvas* canvas = nullptr);

    [[nodiscard]] TAAEffect& Effect() { return m_effect; }

    // The plain size plus |OffsetX| (|OffsetY|) while the shadow is on.
    [[nodiscard]] int32_t TextWidth(std::string_view text) override;
    [[nodiscard]] int32_t TextHeight(std::string_view text) override;
    // Draws text whose measured box has its top-left corner at (x, y).
    void TextOut(int32_t x, int32_t y, std::string_view text);

    // Fill images for Blend().ForeBitmap(), sized to the mask.
    void BuildGradient();
    void BuildTexture();
    void BuildNoise();
    void AddNoise(uint8_t amount);

private:
    TAAEffect m_effect;
    uint32_t m_noiseSeed;
};

} // namespace saver
