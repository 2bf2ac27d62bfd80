#include "platform/ShockwaveFlash.h"

#include "core/Error.h"
#include "gui/Form.h"
#include "platform/PlatformServices.h"

namespace saver {

TShockwaveFlash::TShockwaveFlash()
{
    try {
        const auto& create = PlatformServices::Current().CreateFlashEngine;
        if (!create)
            throw Exception("No Flash player is available on this system");
        m_engine = create();
    } catch (const std::exception& e) {
        m_unavailable = e.what();
    }
    m_frameTimer = std::make_unique<Timer>();
    m_frameTimer->SetEnabled(false);
    m_frameTimer->SetInterval(40);
    m_frameTimer->OnTimer = [this](Component*) {
        if (Showing() && Width() > 0 && Height() > 0)
            Invalidate();
    };
}

TShockwaveFlash::~TShockwaveFlash() = default;

FlashEngine& TShockwaveFlash::Engine()
{
    if (!m_engine)
        throw Exception(m_unavailable);
    return *m_engine;
}

void TShockwaveFlash::SetMovie(const std::string& path) { Engine().LoadMovie(path); }

void TShockwaveFlash::Play()
{
    Engine().Play();
    m_frameTimer->SetEnabled(true);
}

int32_t TShockwaveFlash::TotalFrames() { return Engine().TotalFrames(); }

int32_t TShockwaveFlash::CurrentFrame() { return Engine().CurrentFrame(); }

void TShockwaveFlash::SetVisible(bool visible)
{
    CustomControl::SetVisible(visible);
    PlaceEngine();
}

void TShockwaveFlash::BoundsChanged(const Rect& oldBounds)
{
    CustomControl::BoundsChanged(oldBounds);
    PlaceEngine();
}

void TShockwaveFlash::WMDestroy(Message& message)
{
    PlaceEngine(false);
    CustomControl::WMDestroy(message);
}

void TShockwaveFlash::PlaceEngine(bool alive)
{
    if (!m_engine)
        return;
    const Form* form = ParentForm();
    const HWND parent = alive && form && form->NativeWindowCreated() ? form->Handle() : 0;
    const Point origin = ClientToScreen({0, 0});
    const Point formOrigin = form ? form->ClientToScreen({0, 0}) : origin;
    const Rect bounds = ClientRect().Offsetted(origin.X - formOrigin.X, origin.Y - formOrigin.Y);
    m_engine->Place(parent, bounds, parent != 0 && Showing());
}

void TShockwaveFlash::Paint()
{
    // The form has its native window by the time anything paints.
    PlaceEngine();
    if (m_engine)
        m_engine->Paint(GetCanvas(), ClientRect());
    else {
        GetCanvas().Brush.Color = clBlack;
        GetCanvas().FillRect(ClientRect());
    }
}

void TShockwaveFlash::WMEraseBkgnd(Message& message) { message.Result = 1; }

} // namespace saver
