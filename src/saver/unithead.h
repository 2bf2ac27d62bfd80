#pragma once
// The saver window: the application's main window, maximized, borderless
// and above all others. Its one-second timer is the playback loop: it moves
// the slideshow on to the next picture, or replaces a Flash movie near its
// end by the next one. Its message hook and key handler end the saver on the
// input the payload's exit mode names; the media player's notifications
// advance the music playlist.

#include "gui/Button.h"
#include "gui/Form.h"
#include "gui/Timer.h"
#include "payload/ReadPayload.h"
#include "platform/MediaPlayer.h"
#include "platform/ShockwaveFlash.h"
#include "transitions/PicShow.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace saver {

// The temporary folder, set once when the saver window is created.
extern std::string TempPath;

class TForm1 : public Form, public PayloadFields, private PayloadTarget {
public:
    // With a host window (a screensaver host's window, or the root window)
    // the saver draws into it at its size instead of covering the screen
    // with a window of its own. The host then owns input and ending: no
    // input closes the saver, and neither the cursor nor the taskbar is
    // hidden. Throws saver::Exception when the host window does not exist.
    explicit TForm1(HWND hostWindow = 0);
    ~TForm1() override;

    [[nodiscard]] bool HostMode() const { return ParentWindow() != 0; }

    int32_t ItemIndex = 0;
    int32_t MusicIndex = 0;
    int32_t MoveCount = 0;
    int32_t IdleTicks = 0;
    Point CurrentCursor;
    bool SpaceKeySent = false;
    std::set<int32_t> WarnedPictures; // pictures whose decoding warned, said once

    std::unique_ptr<TPicShow> PicShow1;
    std::unique_ptr<TShockwaveFlash> FlashPlayer;
    std::unique_ptr<Button> btnFlashFull;
    std::unique_ptr<TMediaPlayer> mpBack;
    std::unique_ptr<Timer> SlidingTimer;

    void FormCreate(Component* sender);
    void FormResize(Component* sender);
    void FormKeyDown(Component* sender, uint16_t& key, uint32_t shift);
    void FormClose(Component* sender, CloseAction& action);
    void SlidingTimerTimer(Component* sender);
    void btnFlashFullClick(Component* sender);
    void mpBackNotify(Component* sender);
    void AppMessage(Message& message, bool& handled);

protected:
    void WMSysCommand(Message& message) override;
    void WMDestroy(Message& message) override;

private:
    void PictureTick();
    // Loads picture `index` into the transition control: false, reported
    // once, when it cannot be shown.
    bool LoadPicture(int32_t index);
    void FlashTick();
    // Close for the exit rules; a host decides itself when the saver ends.
    void CloseOnInput();

    // PayloadTarget: what reading the payload does to this window.
    PayloadFields& Fields() override { return *this; }
    const std::string& TempPath() const override;
    void SetFlashSize(int32_t width, int32_t height) override;
    void SetFlashVisible(bool visible) override;
    void LoadMovie(const std::string& path) override;
    void PlayMovie() override;
    void StartMusic(const std::string& path) override;
    void HideCursor() override;
    Point GetCursorPos() override;
    void ShowLoadError(const std::string& text) override;
};

// Hides or shows the taskbar, remembering the state so that every way the
// saver ends can put it back.
void HideTaskbar();
void RestoreTaskbar();

} // namespace saver
