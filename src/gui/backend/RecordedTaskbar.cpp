#include "gui/backend/RecordedTaskbar.h"

namespace saver {
namespace {

constexpr HWND kTaskbarWindow = 0x7A5C0001;

const char* ShowCommandName(int command)
{
    switch (command) {
    case SW_HIDE:
        return "SW_HIDE";
    case SW_SHOW:
        return "SW_SHOW";
    default:
        return "SW_OTHER";
    }
}

} // namespace

HWND RecordedTaskbar::FindWindowA(const std::string& className)
{
    const HWND found = className == "Shell_TrayWND" ? kTaskbarWindow : 0;
    m_log << "FindWindowA: " << className << (found ? "" : " (not found)") << std::endl;
    return found;
}

bool RecordedTaskbar::ShowWindow(HWND window, int command)
{
    if (window != kTaskbarWindow)
        return false;
    m_visible = command != SW_HIDE;
    m_log << "ShowWindow: Shell_TrayWND " << ShowCommandName(command) << std::endl;
    return true;
}

} // namespace saver
