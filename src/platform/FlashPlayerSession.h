#pragma once
// The saver's side of the conversation with a Flash player process, without
// the process: what each call of the Flash control sends, and what the
// answers mean for the frame count, the frame reached and the failures.
//
// TotalFrames is the movie header's frame count, known as soon as the movie
// is loaded; the player's own count is checked against it. CurrentFrame
// counts from 1, starts moving when the player says the movie plays, and
// holds at the last frame. A failure the player answers is thrown once by
// the next call that checks, and leaves no movie, so the playlist moves on.

#include "platform/FlashPlayerProtocol.h"
#include "platform/SwfHeader.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace saver {

class FlashPlayerSession {
public:
    explicit FlashPlayerSession(std::function<void(const JsonLine&)> send) : m_send(std::move(send)) {}

    void Load(const std::string& path, const SwfHeader& header);
    void Play();
    void OnAnswer(const JsonLine& answer, uint32_t now);
    // The player process went away: the movie with it.
    void PlayerEnded();
    // Forgets the movie without a failure (the player was ended on purpose).
    void Drop();

    // Throws saver::Exception with the failure answered since the last
    // check, once.
    void ThrowFailure();
    [[nodiscard]] int32_t TotalFrames() const;
    [[nodiscard]] int32_t CurrentFrame(uint32_t now) const;
    [[nodiscard]] bool HasMovie() const { return m_movie.has_value(); }

private:
    std::function<void(const JsonLine&)> m_send;
    std::optional<SwfHeader> m_movie;
    int64_t m_loadId = 0;
    bool m_playRequested = false;
    std::optional<uint32_t> m_playingSince;
    std::optional<std::string> m_failure;
};

} // namespace saver
