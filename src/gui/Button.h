#pragma once
// A push button: clicked by the left mouse button or by the space key
// (pressed, then released while still pressed), as the platform's buttons
// are.

#include "gui/Control.h"

#include <string>

namespace saver {

class Button final : public WinControl {
public:
    Button();
    std::string Caption;

protected:
    void WMKeyDown(Message& message) override;
    void WMKeyUp(Message& message) override;

private:
    bool m_spacePressed = false;
};

} // namespace saver
