#pragma once
// The saver window: the application's main window, maximized, borderless and
// above all others, holding the slideshow and Flash playback.

#include "gui/Button.h"
#include "gui/Form.h"
#include "gui/Timer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace saver {

class TForm1 : public Form {
public:
    TForm1();
    ~TForm1() override;

    // Playback state, filled when the payload is read.
    std::string PlayMode;
    int32_t ItemCount = 0;
    int32_t ItemIndex = 0;
    int32_t MusicCount = 0;
    int32_t MusicIndex = 0;
    std::vector<uint8_t> MusicTypes;
    int32_t ExitMode = 0;
    int32_t MoveCount = 0;
    int32_t PictureInterval = 0;
    int32_t IdleTicks = 0;
    Point StartCursor;
    Point CurrentCursor;
    bool SpaceKeySent = false;
    std::vector<uint8_t> EnabledStyles = std::vector<uint8_t>(123, 0);
    int32_t EnabledStyleCount = 0;

    std::unique_ptr<Button> btnFlashFull;
    std::unique_ptr<Timer> SlidingTimer;

    void FormCreate(Component* sender);
    void FormClose(Component* sender, CloseAction& action);
    void SlidingTimerTimer(Component* sender);
    void btnFlashFullClick(Component* sender);

protected:
    void WMDestroy(Message& message) override;

private:
    void ShowTaskbar();
    bool m_taskbarHidden = false;
};

// The temporary folder, set once when the saver window is created.
extern std::string TempPath;

} // namespace saver
