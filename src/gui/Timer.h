#pragma once
// A message timer component: OnTimer every Interval milliseconds of the
// application clock while Enabled, delivered through the message loop.

#include "gui/Application.h"
#include "gui/Control.h"

namespace saver {

class Timer final : public Component, private MessageTarget {
public:
    Timer();
    ~Timer() override;

    [[nodiscard]] bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    [[nodiscard]] uint32_t Interval() const { return m_interval; }
    void SetInterval(uint32_t interval);

    NotifyEvent OnTimer;

private:
    void WndProc(Message& message) override;
    void UpdateTimer();

    HWND m_window = 0;
    bool m_enabled = true;
    uint32_t m_interval = 1000;
};

} // namespace saver
