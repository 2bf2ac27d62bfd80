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
#include <set>
#include <string>
#include <vector>

namespace saver {

// What the payload plays: "picture" (a slideshow) or "flash" (movies); none
// before the payload is read.
enum class TPlayMode : uint8_t { pmNone, pmPicture, pmFlash };

// Which input ends the saver: the payload's 32-bit value as stored. Any
// other value, 0 included, lets no input end it (only the system's close
// command does).
enum class TExitMode : int32_t { emNone = 0, emMouseMove = 1, emMouseButtons = 2, emKeys = 3, emAnyInput = 4 };

// Mouse movement ends the saver (the cursor is then hidden for pictures).
[[nodiscard]] constexpr bool ExitsOnMouseMove(TExitMode mode)
{
    return mode == TExitMode::emMouseMove || mode == TExitMode::emAnyInput;
}
// A left or right button press ends the saver.
[[nodiscard]] constexpr bool ExitsOnMouseButtons(TExitMode mode)
{
    return mode == TExitMode::emMouseButtons || mode == TExitMode::emAnyInput;
}
// Any key press ends the saver.
[[nodiscard]] constexpr bool ExitsOnKeys(TExitMode mode)
{
    return mode == TExitMode::emKeys || mode == TExitMode::emAnyInput;
}

// The saver window's fields that the reading fills; a field it does not get
// to keeps its initial value.
struct PayloadFields {
    TPlayMode PlayMode = TPlayMode::pmNone;
    int32_t ItemCount = 0;
    int32_t MusicCount = 0;
    TExitMode ExitMode = TExitMode::emNone;
    int32_t PictureInterval = 0;
    int32_t EnabledStyleCount = 0;
    std::vector<uint8_t> MusicTypes;
    // Room for every style number 0 to 150: the effect table's and the style
    // extension's.
    std::vector<uint8_t> EnabledStyles = std::vector<uint8_t>(151, 0);
    Point StartCursor;
    // Pictures whose block is no JPEG: reported once, written as empty
    // files, and passed over by the slideshow.
    std::set<int32_t> SkippedPictures;
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
