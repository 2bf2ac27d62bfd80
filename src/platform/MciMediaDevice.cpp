#include "platform/MciMediaDevice.h"

#include "core/Error.h"
#include "core/Utf16Win32.h"

#include <windows.h>
#include <mmsystem.h>

namespace saver {

// The message-only window MCI posts its notifications to.
class MciMediaDevice::NotifyWindow {
public:
    static HWND Create(MciMediaDevice* device)
    {
        static const ATOM windowClass = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = &NotifyWindow::Procedure;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"SaverMciNotify";
            return RegisterClassW(&wc);
        }();
        if (!windowClass)
            return nullptr;
        HWND window = CreateWindowExW(0, MAKEINTRESOURCEW(windowClass), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
        if (window)
            SetWindowLongPtrW(window, GWLP_USERDATA, LONG_PTR(device));
        return window;
    }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == MM_MCINOTIFY) {
            auto* device = reinterpret_cast<MciMediaDevice*>(GetWindowLongPtrW(window, GWLP_USERDATA));
            // No exception may cross the system's window procedure; the
            // callbacks only post, so nothing is lost but a notification
            // that could not be queued.
            try {
                if (device)
                    device->Notified(wParam, uint32_t(lParam));
            } catch (...) {
            }
            return 0;
        }
        return DefWindowProcW(window, msg, wParam, lParam);
    }
};

namespace {

HWND Window(void* window) { return static_cast<HWND>(window); }

} // namespace

MciMediaDevice::MciMediaDevice()
{
    m_window = NotifyWindow::Create(this);
    if (!m_window)
        throw Exception("The media player cannot create its notification window (error " +
                        std::to_string(GetLastError()) + ")");
}

MciMediaDevice::~MciMediaDevice()
{
    Close();
    // Destroying the window discards whatever is still queued for it.
    DestroyWindow(Window(m_window));
}

std::string MciMediaDevice::ErrorText(uint32_t code)
{
    wchar_t text[256] = {};
    if (mciGetErrorStringW(code, text, 256) && text[0])
        return Narrow(text);
    return "MCI error " + std::to_string(code);
}

void MciMediaDevice::Open(const std::string& fileName) { OpenDevice(fileName, nullptr); }

void MciMediaDevice::OpenNotifying(const std::string& fileName, std::function<void()> opened)
{
    OpenDevice(fileName, std::move(opened));
}

void MciMediaDevice::OpenDevice(const std::string& fileName, std::function<void()> opened)
{
    Close();
    const bool notify = opened != nullptr;
    m_opened = std::move(opened);
    const std::wstring element = Widen(fileName);
    MCI_OPEN_PARMSW open{};
    open.dwCallback = DWORD_PTR(m_window);
    open.lpstrElementName = element.c_str();
    const MCIERROR error =
        mciSendCommandW(0, MCI_OPEN, MCI_OPEN_ELEMENT | MCI_WAIT | (notify ? MCI_NOTIFY : 0), DWORD_PTR(&open));
    m_lastError = error;
    if (error != 0) {
        m_opened = nullptr;
        throw Exception(ErrorText(error));
    }
    m_device = open.wDeviceID;
    // Milliseconds where the device knows them; a device that refuses keeps
    // its own unit, which position and length still share.
    MCI_SET_PARMS set{};
    set.dwTimeFormat = MCI_FORMAT_MILLISECONDS;
    mciSendCommandW(m_device, MCI_SET, MCI_SET_TIME_FORMAT | MCI_WAIT, DWORD_PTR(&set));
}

void MciMediaDevice::Close()
{
    m_opened = nullptr;
    m_ended = nullptr;
    if (m_device == 0)
        return;
    mciSendCommandW(m_device, MCI_CLOSE, MCI_WAIT, 0);
    m_device = 0;
    // A new device may get the same id: what the old one still had on its
    // way (an aborted playback, a last end) must not reach the new one.
    DropQueuedNotifications();
}

void MciMediaDevice::DropQueuedNotifications()
{
    MSG message;
    while (PeekMessageW(&message, Window(m_window), MM_MCINOTIFY, MM_MCINOTIFY, PM_REMOVE)) {
    }
}

void MciMediaDevice::Play(std::function<void()> ended)
{
    MCI_PLAY_PARMS play{};
    play.dwCallback = DWORD_PTR(m_window);
    // Set first: MCI may post the end before the command returns.
    m_ended = std::move(ended);
    const MCIERROR error = mciSendCommandW(m_device, MCI_PLAY, MCI_NOTIFY, DWORD_PTR(&play));
    m_lastError = error;
    if (error != 0)
        m_ended = nullptr;
}

void MciMediaDevice::Rewind()
{
    m_ended = nullptr;
    if (m_device == 0)
        return;
    // Seeking stops a playback; its notification says "aborted" and is
    // ignored.
    MCI_SEEK_PARMS seek{};
    m_lastError = mciSendCommandW(m_device, MCI_SEEK, MCI_SEEK_TO_START | MCI_WAIT, DWORD_PTR(&seek));
}

void MciMediaDevice::Notified(uintptr_t flags, uint32_t device)
{
    if (device != m_device || m_device == 0)
        return;
    // The open's notification is posted before the open returns, so it comes
    // ahead of any playback's.
    if (m_opened) {
        const std::function<void()> opened = std::move(m_opened);
        m_opened = nullptr;
        if (flags & MCI_NOTIFY_SUCCESSFUL)
            opened();
        return;
    }
    if (!m_ended)
        return;
    // Superseded and aborted playbacks are the ones this device replaced or
    // stopped itself. A successful end that was still queued when a new
    // playback started would find the device playing again: only a device
    // that has stopped has reached an end.
    if (flags & MCI_NOTIFY_SUCCESSFUL) {
        MCI_STATUS_PARMS status{};
        status.dwItem = MCI_STATUS_MODE;
        if (mciSendCommandW(m_device, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, DWORD_PTR(&status)) == 0 &&
            status.dwReturn == MCI_MODE_PLAY)
            return;
        const std::function<void()> ended = std::move(m_ended);
        m_ended = nullptr;
        ended();
    } else if (flags & MCI_NOTIFY_FAILURE) {
        m_ended = nullptr;
    }
}

uint32_t MciMediaDevice::Status(uint32_t item)
{
    MCI_STATUS_PARMS status{};
    status.dwItem = item;
    const MCIERROR error = mciSendCommandW(m_device, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, DWORD_PTR(&status));
    if (error != 0) {
        m_lastError = error;
        throw Exception(ErrorText(error));
    }
    return uint32_t(status.dwReturn);
}

MediaMode MciMediaDevice::Mode()
{
    if (m_device == 0)
        return MediaMode::NotReady;
    switch (Status(MCI_STATUS_MODE)) {
    case MCI_MODE_STOP:
        return MediaMode::Stopped;
    case MCI_MODE_PLAY:
    case MCI_MODE_RECORD:
    case MCI_MODE_SEEK:
        return MediaMode::Playing;
    case MCI_MODE_PAUSE:
        return MediaMode::Paused;
    case MCI_MODE_OPEN:
        return MediaMode::Open;
    default:
        return MediaMode::NotReady;
    }
}

uint32_t MciMediaDevice::Position() { return m_device == 0 ? 0 : Status(MCI_STATUS_POSITION); }

uint32_t MciMediaDevice::Length() { return m_device == 0 ? 0 : Status(MCI_STATUS_LENGTH); }

} // namespace saver
