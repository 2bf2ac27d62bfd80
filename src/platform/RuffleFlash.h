#pragma once
// The Flash player of Linux: Ruffle's web build in a WebKitGTK view, run by
// the helper program saver-flash-player. The player starts with the first
// movie (a picture saver never starts it), shows its window inside the
// saver's window at the control's place, and is told what to do in JSON
// lines (FlashPlayerSession says what the answers mean). It ends with the
// engine: its input is closed, and a player that does not end within a
// second is killed; it is also killed when the saver dies.

#include "gui/Clock.h"
#include "platform/FlashEngine.h"
#include "platform/FlashPlayerSession.h"

#include <filesystem>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include <sys/types.h>

namespace saver {

struct FlashPlayerFiles {
    std::filesystem::path Program; // saver-flash-player
    std::filesystem::path Data;    // its page and ruffle/
};

// The first of `places` whose program exists, with the reason when there is
// none or when its data lacks the page or Ruffle's files.
std::variant<FlashPlayerFiles, std::string> LocateFlashPlayer(const std::vector<FlashPlayerFiles>& places);
// Where a build or an installation puts them: beside the running program,
// under the installation prefix, and in the build tree.
std::vector<FlashPlayerFiles> FlashPlayerPlaces(const std::filesystem::path& executable);

class RuffleFlash final : public FlashEngine {
public:
    // `nativeWindow` gives the X window of a framework window (0 for none).
    RuffleFlash(Clock& clock, FlashPlayerFiles files, std::function<unsigned long(HWND)> nativeWindow);
    ~RuffleFlash() override;
    RuffleFlash(const RuffleFlash&) = delete;
    RuffleFlash& operator=(const RuffleFlash&) = delete;

    // Reads the movie header (throws when the file is not a movie), starts
    // the player if it is not running, and has it load the movie. A movie
    // that Ruffle then cannot load is thrown by the next TotalFrames or
    // CurrentFrame.
    void LoadMovie(const std::string& path) override;
    void Play() override;
    [[nodiscard]] int32_t TotalFrames() override;
    [[nodiscard]] int32_t CurrentFrame() override;
    // The player's window lies over the control; the control itself is black.
    void Paint(Canvas& canvas, const Rect& client) override;
    void Place(HWND frameworkParent, const Rect& bounds, bool visible) override;

    [[nodiscard]] pid_t PlayerProcess() const { return m_pid; }

private:
    void Start();
    void Stop();
    void Send(const JsonLine& command);
    // Reads what the player has answered so far.
    void Poll();
    void SendPlace();

    Clock& m_clock;
    FlashPlayerFiles m_files;
    std::function<unsigned long(HWND)> m_nativeWindow;
    FlashPlayerSession m_session;
    pid_t m_pid = -1;
    int m_link = -1; // our end of the player's standard input and output
    std::string m_received;
    unsigned long m_parent = 0;
    Rect m_bounds;
    bool m_visible = false;
    bool m_placed = false; // the player knows the place above
};

} // namespace saver
