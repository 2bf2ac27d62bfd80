#pragma once
// A device that plays one sound file: what the media player control needs
// from the platform's multimedia services. Implementations: SDL2_mixer on
// Linux, MCI on Windows, and a silent device on the application clock for
// the headless backend and tests.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace saver {

enum class MediaMode { NotReady, Stopped, Playing, Paused, Open };

class MediaDevice {
public:
    virtual ~MediaDevice() = default;
    // Opens a file (the device type follows from the file); throws
    // saver::Exception carrying the device's error text on failure.
    virtual void Open(const std::string& fileName) = 0;
    // Opens and reports the completed open through `opened`, as the
    // platform's player does when its notify request is pending. A device
    // without notifications of its own calls `opened` right after a
    // successful open; a failed open throws and never calls it.
    virtual void OpenNotifying(const std::string& fileName, std::function<void()> opened)
    {
        Open(fileName);
        opened();
    }
    virtual void Close() = 0;
    // Starts playing from the current position. `ended` is called once when
    // the playback reaches its end, from any thread.
    virtual void Play(std::function<void()> ended) = 0;
    virtual void Rewind() = 0;
    [[nodiscard]] virtual MediaMode Mode() = 0;
    // Position and length in milliseconds.
    [[nodiscard]] virtual uint32_t Position() = 0;
    [[nodiscard]] virtual uint32_t Length() = 0;
};

} // namespace saver
