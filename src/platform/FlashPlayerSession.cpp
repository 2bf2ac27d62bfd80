#include "platform/FlashPlayerSession.h"

#include "core/Diagnostics.h"
#include "core/Error.h"

#include <algorithm>
#include <cmath>

namespace saver {

void FlashPlayerSession::Load(const std::string& path, const SwfHeader& header)
{
    m_movie = header;
    m_playRequested = false;
    m_playingSince.reset();
    m_send(JsonLine().Set("cmd", "load").Set("path", path).Set("id", ++m_loadId));
}

void FlashPlayerSession::Play()
{
    if (!m_movie || m_playRequested)
        return;
    m_playRequested = true;
    m_send(JsonLine().Set("cmd", "play"));
}

void FlashPlayerSession::OnAnswer(const JsonLine& answer, uint32_t now)
{
    const std::optional<std::string> event = answer.String("event");
    const std::optional<double> id = answer.Number("id");
    // Answers about a movie that was replaced since are old news.
    if (id && *id != double(m_loadId))
        return;
    if (event == "error") {
        m_failure = answer.String("message").value_or("The Flash player failed");
        m_movie.reset();
        m_playingSince.reset();
    } else if (event == "loaded" && m_movie) {
        const std::optional<double> frames = answer.Number("frames");
        const int32_t ours = TotalFrames();
        if (frames && std::lround(*frames) != ours)
            ReportDiagnostic("flash: the player counts " + std::to_string(std::lround(*frames)) +
                             " frames where the movie header says " + std::to_string(ours));
    } else if (event == "playing" && m_movie && m_playRequested && !m_playingSince) {
        m_playingSince = now;
    }
}

void FlashPlayerSession::PlayerEnded()
{
    if (m_movie)
        m_failure = "The Flash player ended unexpectedly";
    m_movie.reset();
    m_playingSince.reset();
}

void FlashPlayerSession::Drop()
{
    m_movie.reset();
    m_playingSince.reset();
    m_failure.reset();
}

void FlashPlayerSession::ThrowFailure()
{
    if (!m_failure)
        return;
    const std::string message = *m_failure;
    m_failure.reset();
    throw Exception(message);
}

int32_t FlashPlayerSession::TotalFrames() const
{
    if (!m_movie)
        return 0;
    // A movie with a frame count of 0 still shows its one frame.
    return std::max<int32_t>(m_movie->FrameCount, 1);
}

int32_t FlashPlayerSession::CurrentFrame(uint32_t now) const
{
    if (!m_movie)
        return 0;
    if (!m_playingSince)
        return 1;
    return FrameReached(now - *m_playingSince, m_movie->FrameRate, TotalFrames());
}

} // namespace saver
