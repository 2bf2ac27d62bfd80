#pragma once
// The bitmaps of one transition and the per-frame composition, as the
// transition control keeps and composes them: an old image in the device
// format, the new image as given (24-bit for a decoded JPEG), and a frame
// bitmap the size of the picture, 32-bit for the styles that work on pixels
// directly (the style table's Needs32Bit) and the device format otherwise.

#include "gdi/Bitmap.h"

#include <cstdint>

namespace saver {

class TransitionFrames {
public:
    // Both pictures must have the same size (it becomes the frame size);
    // throws saver::Exception otherwise. `style` is 0 to 150.
    TransitionFrames(const Bitmap& oldPicture, const Bitmap& newPicture, unsigned style);

    // Changes the style as the control does during a transition: a switch to
    // a style that needs 32 bits a pixel converts the new image and the frame
    // to 32 bits; nothing is converted back.
    void SetStyle(unsigned style);

    // The frame for `progress` (above 100 counts as 100): the old image, then
    // the new picture at 100, nothing more at 0, and otherwise the style's
    // effect procedure (nothing for style 0, "Custom").
    Bitmap& Compose(uint32_t step, uint32_t progress);

    [[nodiscard]] const Bitmap& Frame() const { return m_frame; }
    [[nodiscard]] const Bitmap& OldImage() const { return m_oldImage; }
    [[nodiscard]] const Bitmap& NewImage() const { return m_newImage; }

private:
    unsigned m_style = 0;
    Bitmap m_oldImage{PixelFormat::pfDevice};
    Bitmap m_newImage;
    Bitmap m_frame{PixelFormat::pfDevice};
};

} // namespace saver
