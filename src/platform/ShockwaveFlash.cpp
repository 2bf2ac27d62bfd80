#include "platform/ShockwaveFlash.h"

#include "core/Error.h"
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

void TShockwaveFlash::Paint()
{
    if (m_engine)
        m_engine->Paint(GetCanvas(), ClientRect());
    else {
        GetCanvas().Brush.Color = clBlack;
        GetCanvas().FillRect(ClientRect());
    }
}

void TShockwaveFlash::WMEraseBkgnd(Message& message) { message.Result = 1; }

} // namespace saver
