#pragma once
// Factories for the outside components, chosen once at start-up to match
// the window backend (tests install fakes).

#include "platform/FlashEngine.h"
#include "platform/MediaDevice.h"

#include <functional>
#include <memory>

namespace saver {

struct PlatformServices {
    std::function<std::unique_ptr<MediaDevice>()> CreateMediaDevice;
    // Throws saver::Exception when no Flash player is available.
    std::function<std::unique_ptr<FlashEngine>()> CreateFlashEngine;

    static PlatformServices& Current();
};

} // namespace saver
