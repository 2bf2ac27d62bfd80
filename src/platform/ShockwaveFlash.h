#pragma once
// The Flash control as a child window of the saver: sized, shown and
// repainted like any control, playing movies through a FlashEngine. When no
// engine can be created (no Flash player installed), the control still
// exists; every movie call then fails with the reason. An engine with a
// native window of its own is told where the control lies whenever it moves,
// is shown or hidden, or paints.

#include "gui/Control.h"
#include "gui/Timer.h"
#include "platform/FlashEngine.h"

#include <memory>
#include <string>

namespace saver {

class TShockwaveFlash final : public CustomControl {
public:
    TShockwaveFlash();
    ~TShockwaveFlash() override;

    [[nodiscard]] bool Available() const { return m_engine != nullptr; }
    [[nodiscard]] const std::string& UnavailableReason() const { return m_unavailable; }

    // Movie write: drops the movie shown and loads this one.
    void SetMovie(const std::string& path);
    void Play();
    [[nodiscard]] int32_t TotalFrames();
    [[nodiscard]] int32_t CurrentFrame();

    void SetVisible(bool visible) override;

protected:
    void Paint() override;
    void WMEraseBkgnd(Message& message) override;
    void WMDestroy(Message& message) override;
    void BoundsChanged(const Rect& oldBounds) override;

private:
    FlashEngine& Engine();
    // Tells the engine the control's place in its form's client area.
    void PlaceEngine(bool alive = true);

    std::unique_ptr<FlashEngine> m_engine;
    std::string m_unavailable;
    // Repaints a playing movie at a steady rate.
    std::unique_ptr<Timer> m_frameTimer;
};

} // namespace saver
