#pragma once
// The taskbar where there is none to hide (Linux, headless): FindWindowA
// and ShowWindow on it are recorded and logged, one line each, so that the
// saver's hide-and-restore sequence can be checked.

#include "gui/Messages.h"

#include <ostream>
#include <string>

namespace saver {

class RecordedTaskbar {
public:
    explicit RecordedTaskbar(std::ostream& log) : m_log(log) {}
    HWND FindWindowA(const std::string& className);
    bool ShowWindow(HWND window, int command);
    [[nodiscard]] bool Visible() const { return m_visible; }

private:
    std::ostream& m_log;
    bool m_visible = true;
};

} // namespace saver
