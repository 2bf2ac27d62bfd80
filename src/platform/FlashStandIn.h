#pragma once
// The Flash player where no real one exists: it reads the movie's header and
// runs the movie's frame clock on the application clock, so a saver plays
// its movies one after another with their true timing. It draws the movie's
// background colour with a marker that crosses the stage as the movie
// plays, so that playback is visible.
//
// Frames are numbered from 1 to TotalFrames. After Play the frame advances
// at the movie's rate and holds at the last one, as the real player's
// clock does, so the saver sees every movie's end. Without a movie
// TotalFrames and CurrentFrame are 0 and the player is black.

#include "gui/Clock.h"
#include "platform/FlashEngine.h"
#include "platform/SwfHeader.h"

#include <optional>

namespace saver {

class FlashStandIn final : public FlashEngine {
public:
    explicit FlashStandIn(Clock& clock) : m_clock(clock) {}

    // Drops the current movie first, so a file that fails to load leaves
    // none. Throws saver::Exception when the file is not a Flash movie.
    void LoadMovie(const std::string& path) override;
    void Play() override;
    [[nodiscard]] int32_t TotalFrames() override;
    [[nodiscard]] int32_t CurrentFrame() override;
    void Paint(Canvas& canvas, const Rect& client) override;

    [[nodiscard]] const std::optional<SwfHeader>& Movie() const { return m_movie; }
    // Where the stage lies in a client rectangle: scaled to fit whole,
    // keeping its aspect, centred (the player's "show all" scaling).
    [[nodiscard]] Rect StageRect(const Rect& client) const;

private:
    Clock& m_clock;
    std::optional<SwfHeader> m_movie;
    bool m_playing = false;
    uint32_t m_startTick = 0;
};

} // namespace saver
