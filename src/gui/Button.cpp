#include "gui/Button.h"

namespace saver {

Button::Button()
{
    m_color = clBtnFace;
    m_bounds = Rect::FromSize(0, 0, 75, 25);
}

void Button::WMKeyDown(Message& message)
{
    WinControl::WMKeyDown(message);
    if (message.WParam == VK_SPACE)
        m_spacePressed = true;
}

void Button::WMKeyUp(Message& message)
{
    WinControl::WMKeyUp(message);
    if (message.WParam == VK_SPACE && m_spacePressed) {
        m_spacePressed = false;
        Click();
    }
}

} // namespace saver
