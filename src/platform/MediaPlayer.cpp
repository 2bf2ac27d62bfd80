#include "platform/MediaPlayer.h"

#include "core/Error.h"
#include "platform/PlatformServices.h"

namespace saver {
namespace {

// Posts the notification to the player's window when asked; devices may
// call it on any thread, so it only posts.
std::function<void()> PostNotify(HWND window, bool notify)
{
    return [window, notify] {
        if (notify && Application::Exists())
            Application::Current().PostMessage(window, MM_MCINOTIFY);
    };
}

} // namespace

TMediaPlayer::TMediaPlayer() { m_window = Application::Current().RegisterWindow(this); }

TMediaPlayer::~TMediaPlayer()
{
    if (m_device && m_open)
        m_device->Close();
    Application::Current().UnregisterWindow(m_window);
}

MediaDevice& TMediaPlayer::Device()
{
    if (!m_device) {
        const auto& create = PlatformServices::Current().CreateMediaDevice;
        if (!create)
            throw Exception("No media device is available");
        m_device = create();
    }
    return *m_device;
}

void TMediaPlayer::Open()
{
    MediaDevice& device = Device();
    if (m_open) {
        device.Close();
        m_open = false;
    }
    const bool notify = m_notify.value_or(false);
    m_notify.reset();
    if (notify)
        device.OpenNotifying(FileName, PostNotify(m_window, true));
    else
        device.Open(FileName);
    m_open = true;
}

void TMediaPlayer::Play()
{
    if (!m_open)
        return; // a play the device refuses is not raised
    MediaDevice& device = Device();
    if (device.Position() >= device.Length())
        device.Rewind();
    const bool notify = m_notify.value_or(true);
    m_notify.reset();
    device.Play(PostNotify(m_window, notify));
}

MediaMode TMediaPlayer::Mode() { return m_open ? Device().Mode() : MediaMode::NotReady; }

uint32_t TMediaPlayer::Position() { return m_open ? Device().Position() : 0; }

uint32_t TMediaPlayer::Length() { return m_open ? Device().Length() : 0; }

void TMediaPlayer::WndProc(Message& message)
{
    if (message.Msg == MM_MCINOTIFY && OnNotify)
        OnNotify(this);
}

} // namespace saver
