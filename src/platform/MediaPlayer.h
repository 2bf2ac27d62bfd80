#pragma once
// The invisible media player control: plays one file at a time through a
// MediaDevice and reports through OnNotify, on the GUI thread, when a
// command that asked for it completes. The one-shot notify request is
// consumed by the next open or play, as the platform's player does; without
// a request, an open does not notify and a play does (at its end).

#include "gui/Application.h"
#include "gui/Control.h"
#include "platform/MediaDevice.h"

#include <memory>
#include <optional>
#include <string>

namespace saver {

// The notification message the player's own window receives.
constexpr uint32_t MM_MCINOTIFY = 0x03B9;

class TMediaPlayer final : public Component, private MessageTarget {
public:
    TMediaPlayer();
    ~TMediaPlayer() override;

    std::string FileName;
    // Closes an open device, then opens FileName; throws with the device's
    // error text on failure.
    void Open();
    // Plays from the start when the end was reached; notifies at the end
    // when the notify request is pending.
    void Play();
    // The one-shot notify request.
    void SetNotify(bool notify) { m_notify = notify; }
    [[nodiscard]] bool Notify() const { return m_notify.value_or(false); }
    [[nodiscard]] MediaMode Mode();
    [[nodiscard]] uint32_t Position();
    [[nodiscard]] uint32_t Length();

    NotifyEvent OnNotify;

private:
    void WndProc(Message& message) override;
    MediaDevice& Device();

    HWND m_window = 0;
    std::unique_ptr<MediaDevice> m_device;
    bool m_open = false;
    std::optional<bool> m_notify; // none: no request pending
};

} // namespace saver
