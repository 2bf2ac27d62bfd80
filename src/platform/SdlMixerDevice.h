#pragma once
// Music through SDL2_mixer: WAV, MP3 and MIDI (MIDI through the General MIDI
// sound font that SDL2_mixer's FluidSynth player finds). SDL2_mixer plays one
// music at a time, so one device plays at a time; opening a second device
// while another plays stops the first.
//
// The audio output is opened with the first device and closed with the last.
// A machine without a sound device (or a broken audio setup) falls back to
// SDL's "dummy" driver: the music is decoded in real time and nothing is
// heard, so the playlist keeps its timing.

#include "gui/Clock.h"
#include "platform/MediaDevice.h"

#include <memory>
#include <optional>

struct _Mix_Music;

namespace saver {

class SdlMixerDevice final : public MediaDevice {
public:
    // Opens the audio output if no other device has; throws saver::Exception
    // when not even the dummy driver works.
    explicit SdlMixerDevice(Clock& clock);
    ~SdlMixerDevice() override;
    SdlMixerDevice(const SdlMixerDevice&) = delete;
    SdlMixerDevice& operator=(const SdlMixerDevice&) = delete;

    // Throws saver::Exception with SDL2_mixer's error text when the file
    // cannot be loaded.
    void Open(const std::string& fileName) override;
    void Close() override;
    // Throws saver::Exception when no file is open or SDL2_mixer refuses to
    // play. `ended` is called on SDL's audio thread, so it must only post;
    // at a position already at the end it is called at once, on this thread.
    void Play(std::function<void()> ended) override;
    // Stops (without calling `ended`) and goes back to the start.
    void Rewind() override;
    [[nodiscard]] MediaMode Mode() override;
    // Time since the playback started on the application clock, up to the
    // length.
    [[nodiscard]] uint32_t Position() override;
    [[nodiscard]] uint32_t Length() override { return m_length; }

    // The audio driver in use ("dummy" when the fallback was taken).
    [[nodiscard]] static std::string AudioDriver();

    // The music volume (of SDL2_mixer's 128) MIDI plays at: FluidSynth's
    // own gain of 0.2, which puts a General MIDI file at the loudness of
    // recorded music without clipping.
    static constexpr int kMidiVolume = 26;

    struct Playback;
    class AudioSession;

private:
    void Halt();

    Clock& m_clock;
    std::shared_ptr<AudioSession> m_session;
    _Mix_Music* m_music = nullptr;
    std::shared_ptr<Playback> m_playback; // the current playback, shared with the end hook
    uint32_t m_length = 0;
    uint32_t m_position = 0;
    uint32_t m_startTick = 0;
};

} // namespace saver
