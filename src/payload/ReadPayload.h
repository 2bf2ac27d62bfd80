#pragma once
// Reading the payload at the end of the saver's own file: every item is
// written to the temporary folder under its fixed name, the saver window's
// playback fields are filled from the trailer, and the first movie or the
// first music item is started. Side effects happen in a fixed order that the
// rest of the saver relies on: the cursor is hidden and its position taken
// before any file is written, all pictures are written before any music, and
// the first music item starts before the interval and the effect table are
// read. Any failure ends the reading with false; what was done stays.

#include "core/Geometry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace saver {

// The saver window's fields that the reading fills; a field it does not get
// to keeps its initial value.
struct PayloadFields {
    std::string PlayMode; // "picture" or "flash"
    int32_t ItemCount = 0;
    int32_t MusicCount = 0;
    int32_t ExitMode = 0;
    int32_t PictureInterval = 0;
    int32_t EnabledStyleCount = 0;
    std::vector<uint8_t> MusicTypes;
    std::vector<uint8_t> EnabledStyles = std::vector<uint8_t>(123, 0);
    Point StartCursor;
};

// Writes a file in the temporary folder: created or truncated, never
// through a symbolic link, readable by the user only. Throws on failure.
void WriteExtractedFile(const std::string& path, const uint8_t* data, size_t size);

// What the reading does to the rest of the saver window and the platform.
class PayloadTarget {
public:
    virtual ~PayloadTarget() = default;
    virtual PayloadFields& Fields() = 0;
    [[nodiscard]] virtual const std::string& TempPath() const = 0;
    // The Flash control (each may throw when the control fails).
    virtual void SetFlashSize(int32_t width, int32_t height) = 0;
    virtual void SetFlashVisible(bool visible) = 0;
    virtual void LoadMovie(const std::string& path) = 0;
    virtual void PlayMovie() = 0;
    // The media player: FileName := path, open, play (throws on failure).
    virtual void StartMusic(const std::string& path) = 0;
    // The platform.
    virtual void HideCursor() = 0;
    [[nodiscard]] virtual Point GetCursorPos() = 0;
    virtual void ShowLoadError(const std::string& text) = 0; // a message box, then terminate
    // Writes one extracted item (WriteExtractedFile unless overridden).
    virtual void WriteItem(const std::string& path, const std::vector<uint8_t>& bytes)
    {
        WriteExtractedFile(path, bytes.data(), bytes.size());
    }
};

inline constexpr const char* kLoadEffectDataError =
    "Load effect data error, please recreate this screensaver and try again!";

// Reads the payload of `fileName` into `target`; true when every step
// completed.
bool ReadPayload(const std::string& fileName, PayloadTarget& target);

} // namespace saver
