#pragma once
// Music through the Windows multimedia command interface (MCI). The file is
// opened as an element, the device type left to MCI (it goes by the file's
// extension), and position and length are asked for in milliseconds.
//
// MCI reports the end of a playback, and an open that asked for it, as
// MM_MCINOTIFY on a message-only window the device owns. The window belongs
// to the thread that created the device (the GUI thread), so the callbacks
// run there when that thread's native messages are dispatched. Every call
// must come from that thread.
//
// No Windows header is included here: the window is kept as void*.

#include "platform/MediaDevice.h"

#include <cstdint>
#include <string>

namespace saver {

class MciMediaDevice final : public MediaDevice {
public:
    // Creates the notification window; throws saver::Exception when it
    // cannot.
    MciMediaDevice();
    ~MciMediaDevice() override;
    MciMediaDevice(const MciMediaDevice&) = delete;
    MciMediaDevice& operator=(const MciMediaDevice&) = delete;

    // Closes an open device first. Throws saver::Exception with MCI's error
    // text when the file cannot be opened; the device is closed then.
    void Open(const std::string& fileName) override;
    // The same, with MCI notifying the completed open: `opened` follows
    // when the notification is dispatched.
    void OpenNotifying(const std::string& fileName, std::function<void()> opened) override;
    // Forgets the notifications still on their way.
    void Close() override;
    // Plays from the position; `ended` follows MCI's notification of a
    // playback that reached its end. A play MCI refuses is not raised: the
    // error code is kept (LastError) and `ended` never comes. A playback
    // that fails later (no audio output) does not call `ended` either, so a
    // playlist waits instead of racing through its items.
    void Play(std::function<void()> ended) override;
    // Stops (without calling `ended`) and seeks to the start.
    void Rewind() override;
    // Status queries throw saver::Exception with MCI's text when refused.
    // Position and length are in milliseconds where the device allows it,
    // else both in the device's own unit.
    [[nodiscard]] MediaMode Mode() override;
    [[nodiscard]] uint32_t Position() override;
    [[nodiscard]] uint32_t Length() override;

    // The MCI error code of the last refused command; 0 when none was.
    [[nodiscard]] uint32_t LastError() const { return m_lastError; }
    // mciGetErrorStringA's text for an error code.
    [[nodiscard]] static std::string ErrorText(uint32_t code);

private:
    class NotifyWindow;

    // `opened`, when set, asks MCI to notify the open.
    void OpenDevice(const std::string& fileName, std::function<void()> opened);
    uint32_t Status(uint32_t item);
    // MM_MCINOTIFY: flags (MCI_NOTIFY_*) for a command of device `device`.
    // Runs inside the window procedure, so it throws nothing itself; the
    // callbacks only post.
    void Notified(uintptr_t flags, uint32_t device);
    // Drops MM_MCINOTIFY messages still queued for the window.
    void DropQueuedNotifications();

    void* m_window = nullptr;
    uint32_t m_device = 0; // the open device's id, 0 when closed
    uint32_t m_lastError = 0;
    std::function<void()> m_opened;
    std::function<void()> m_ended;
};

} // namespace saver
