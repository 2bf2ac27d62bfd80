#pragma once
// A silent media device on the application clock, for the headless backend
// and tests: it checks and measures the file like a real device, then only
// lets time pass. Playback is a stretch of application time; its end is a
// message timer of the application, so `ended` is called on the GUI thread
// when the virtual (or real) clock reaches it.

#include "gui/Application.h"
#include "platform/MediaDevice.h"
#include "platform/SoundFile.h"

#include <optional>

namespace saver {

class ClockedMediaDevice final : public MediaDevice, private MessageTarget {
public:
    // lengthOverride, when given, replaces the length of every file opened.
    explicit ClockedMediaDevice(Application& app, std::optional<uint32_t> lengthOverride = std::nullopt);
    ~ClockedMediaDevice() override;
    ClockedMediaDevice(const ClockedMediaDevice&) = delete;
    ClockedMediaDevice& operator=(const ClockedMediaDevice&) = delete;

    // Throws saver::Exception when the file is missing, unreadable, or not a
    // WAV, MP3 or MIDI file; the device is closed then.
    void Open(const std::string& fileName) override;
    void Close() override;
    // Plays from the position to the end; at a position already at the end,
    // `ended` follows at once (on the next timer message). Throws
    // saver::Exception when no file is open.
    void Play(std::function<void()> ended) override;
    // Stops (without calling `ended`) and goes back to the start, as a seek
    // does.
    void Rewind() override;
    [[nodiscard]] MediaMode Mode() override;
    [[nodiscard]] uint32_t Position() override;
    [[nodiscard]] uint32_t Length() override { return m_length; }

private:
    void WndProc(Message& message) override;
    void StopTimer();

    Application& m_app;
    HWND m_window = 0;
    std::optional<uint32_t> m_lengthOverride;
    bool m_open = false;
    bool m_playing = false;
    uint32_t m_length = 0;
    uint32_t m_position = 0;  // while stopped; while playing, where it started
    uint32_t m_startTick = 0; // application clock when the playback started
    std::function<void()> m_ended;
};

} // namespace saver
