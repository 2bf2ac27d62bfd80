#include "platform/ClockedMediaDevice.h"

#include "core/Error.h"

#include <algorithm>

namespace saver {
namespace {

constexpr uintptr_t kEndTimer = 1;

} // namespace

ClockedMediaDevice::ClockedMediaDevice(Application& app, std::optional<uint32_t> lengthOverride)
    : m_app(app), m_lengthOverride(lengthOverride)
{
    m_window = m_app.RegisterWindow(this);
}

ClockedMediaDevice::~ClockedMediaDevice()
{
    StopTimer();
    m_app.UnregisterWindow(m_window);
}

void ClockedMediaDevice::Open(const std::string& fileName)
{
    Close();
    const SoundFileInfo info = ProbeSoundFile(fileName);
    m_length = m_lengthOverride.value_or(info.LengthMs.value_or(kAssumedSoundLengthMs));
    m_position = 0;
    m_open = true;
}

void ClockedMediaDevice::Close()
{
    StopTimer();
    m_open = false;
    m_playing = false;
    m_length = 0;
    m_position = 0;
}

void ClockedMediaDevice::Play(std::function<void()> ended)
{
    if (!m_open)
        throw Exception("No sound file is open");
    m_position = Position();
    m_startTick = m_app.GetTickCount();
    m_playing = true;
    m_ended = std::move(ended);
    m_app.SetTimer(m_window, kEndTimer, m_length - m_position);
}

void ClockedMediaDevice::Rewind()
{
    StopTimer();
    m_playing = false;
    m_position = 0;
}

MediaMode ClockedMediaDevice::Mode()
{
    if (!m_open)
        return MediaMode::NotReady;
    return m_playing ? MediaMode::Playing : MediaMode::Stopped;
}

uint32_t ClockedMediaDevice::Position()
{
    if (!m_playing)
        return m_position;
    const uint32_t elapsed = m_app.GetTickCount() - m_startTick;
    return uint32_t(std::min<uint64_t>(uint64_t(m_position) + elapsed, m_length));
}

void ClockedMediaDevice::StopTimer()
{
    m_app.KillTimer(m_window, kEndTimer);
    m_ended = nullptr;
}

void ClockedMediaDevice::WndProc(Message& message)
{
    if (message.Msg != WM_TIMER || message.WParam != kEndTimer || !m_playing)
        return;
    m_app.KillTimer(m_window, kEndTimer);
    m_playing = false;
    m_position = m_length;
    // One call per playback, and the handler may start the next one.
    std::function<void()> ended = std::move(m_ended);
    m_ended = nullptr;
    if (ended)
        ended();
}

} // namespace saver
