#include "effect-frames/TransitionFrames.h"

#include "core/Error.h"
#include "core/Random.h"
#include "gdi/Canvas.h"
#include "transitions/FrameComposer.h"
#include "transitions/PSEffect.h"

#include <algorithm>

namespace saver {

TransitionFrames::TransitionFrames(const Bitmap& oldPicture, const Bitmap& newPicture, unsigned style)
    : m_newImage(newPicture.GetPixelFormat())
{
    if (style > kLastShowStyle)
        throw Exception("There is no transition style " + std::to_string(style));
    if (oldPicture.Width() != newPicture.Width() || oldPicture.Height() != newPicture.Height())
        throw Exception("The old and the new picture differ in size");
    const int32_t w = newPicture.Width(), h = newPicture.Height();
    m_oldImage.SetSize(w, h);
    m_oldImage.GetCanvas().Draw(0, 0, oldPicture);
    m_newImage.Assign(newPicture);
    m_frame.SetSize(w, h);
    m_style = style;
    // As the transition control does: both in 32 bits for a style that needs it,
    // otherwise both in the device format.
    if (StyleNeeds32Bit(style)) {
        m_newImage.SetPixelFormat(PixelFormat::pf32bit);
        m_frame.SetPixelFormat(PixelFormat::pf32bit);
    } else {
        m_newImage.SetPixelFormat(PixelFormat::pfDevice);
    }
}

void TransitionFrames::SetStyle(unsigned style)
{
    if (style > kLastShowStyle)
        throw Exception("There is no transition style " + std::to_string(style));
    if (StyleNeeds32Bit(style) && !StyleNeeds32Bit(m_style)) {
        m_newImage.SetPixelFormat(PixelFormat::pf32bit);
        m_frame.SetPixelFormat(PixelFormat::pf32bit);
    }
    m_style = style;
}

Bitmap& TransitionFrames::Compose(uint32_t step, uint32_t progress)
{
    progress = std::min<uint32_t>(progress, 100);
    // The shred and speckle styles draw from the process-wide generator:
    // seeding it from the frame's parameters makes every rendering of the
    // same frame identical.
    SetRandSeed(m_style * 1000003u + step * 1009u + progress);
    Canvas& canvas = m_frame.GetCanvas();
    if (progress == 100 || progress == 0 || m_style == 0) {
        canvas.Draw(0, 0, m_oldImage);
        if (progress == 100)
            canvas.Draw(0, 0, m_newImage);
    } else {
        ComposeShowFrame(TShowStyle(m_style), m_frame, m_oldImage, m_newImage,
                         Rect{0, 0, m_frame.Width(), m_frame.Height()}, step, progress);
    }
    return m_frame;
}

} // namespace saver
