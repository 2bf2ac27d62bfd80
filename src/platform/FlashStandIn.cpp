#include "platform/FlashStandIn.h"

#include "gdi/Canvas.h"
#include "platform/FlashPlayerProtocol.h"

#include <algorithm>

namespace saver {

void FlashStandIn::LoadMovie(const std::string& path)
{
    m_movie.reset();
    m_playing = false;
    m_movie = ReadSwfHeader(path);
}

void FlashStandIn::Play()
{
    if (!m_movie || m_playing)
        return;
    m_playing = true;
    m_startTick = m_clock.GetTickCount();
}

int32_t FlashStandIn::TotalFrames()
{
    if (!m_movie)
        return 0;
    // A movie with a frame count of 0 still shows its one frame.
    return std::max<int32_t>(m_movie->FrameCount, 1);
}

int32_t FlashStandIn::CurrentFrame()
{
    if (!m_movie)
        return 0;
    if (!m_playing)
        return 1;
    return FrameReached(m_clock.GetTickCount() - m_startTick, m_movie->FrameRate, TotalFrames());
}

Rect FlashStandIn::StageRect(const Rect& client) const
{
    const Size stage = m_movie ? m_movie->StagePixels() : Size{};
    if (stage.IsEmpty() || client.IsEmpty())
        return client;
    // Scale by the smaller ratio: width × ch / sw against height × cw / sh.
    const int64_t cw = client.Width(), ch = client.Height();
    int64_t w = cw, h = ch;
    if (cw * stage.Height > ch * stage.Width)
        w = ch * stage.Width / stage.Height;
    else
        h = cw * stage.Height / stage.Width;
    const int32_t left = client.Left + int32_t((cw - w) / 2);
    const int32_t top = client.Top + int32_t((ch - h) / 2);
    return Rect::FromSize(left, top, int32_t(w), int32_t(h));
}

void FlashStandIn::Paint(Canvas& canvas, const Rect& client)
{
    // A movie without a background colour has the player's white; without a
    // movie nothing plays and the player shows black, as the saver's screen
    // does wherever nothing plays.
    const TColor background = m_movie ? m_movie->Background.value_or(clWhite) : clBlack;
    canvas.Brush.Style = BrushStyle::bsSolid;
    canvas.Brush.Color = background;
    canvas.FillRect(client);
    if (!m_movie)
        return;
    // A square a tenth of the stage's height that crosses the stage from left
    // to right as the movie runs from its first frame to its last, in a
    // colour that stands out from the background.
    const Rect stage = StageRect(client);
    const int32_t side = std::max(4, stage.Height() / 10);
    const int32_t total = TotalFrames();
    const int32_t travel = std::max(0, stage.Width() - side);
    const int32_t x = stage.Left + (total > 1 ? int32_t(int64_t(travel) * (CurrentFrame() - 1) / (total - 1)) : 0);
    const int32_t y = stage.Top + (stage.Height() - side) / 2;
    const int luma = 299 * GetRValue(background) + 587 * GetGValue(background) + 114 * GetBValue(background);
    canvas.Brush.Color = luma >= 128000 ? clBlack : clWhite;
    canvas.FillRect(Rect::FromSize(x, y, side, side));
}

} // namespace saver
