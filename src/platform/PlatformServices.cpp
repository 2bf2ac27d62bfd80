#include "platform/PlatformServices.h"

#include "core/Error.h"
#include "gui/Application.h"
#include "gui/backend/headless/HeadlessBackend.h"
#include "platform/ClockedMediaDevice.h"
#include "platform/FlashStandIn.h"
#include "platform/InstallPlatformServices.h"
#include "platform/SdlMixerDevice.h"

#include <iostream>

namespace saver {
namespace {

// The devices need the application (its clock, its timers), which exists
// only once the run has started: they look it up when they are created.
std::unique_ptr<MediaDevice> CreateClockedDevice() { return std::make_unique<ClockedMediaDevice>(Application::Current()); }

std::unique_ptr<MediaDevice> CreateMixerDevice()
{
    try {
        return std::make_unique<SdlMixerDevice>(Application::Current().GetClock());
    } catch (const Exception& error) {
        static bool said = false;
        if (!said)
            std::cerr << "audio: " << error.what() << "; music keeps its timing without sound" << std::endl;
        said = true;
        return CreateClockedDevice();
    }
}

std::unique_ptr<FlashEngine> CreateStandIn() { return std::make_unique<FlashStandIn>(Application::Current().GetClock()); }

PlatformServices HeadlessServices() { return {CreateClockedDevice, CreateStandIn}; }

} // namespace

PlatformServices& PlatformServices::Current()
{
    static PlatformServices services = HeadlessServices();
    return services;
}

void InstallPlatformServices(const std::string& backendName)
{
    if (backendName == "headless")
        PlatformServices::Current() = HeadlessServices();
    else if (backendName == "sdl")
        PlatformServices::Current() = {CreateMixerDevice, CreateStandIn};
    else
        throw Exception("No platform services for the backend '" + backendName + "'");
}

void InstallPlatformServices(const Backend& backend)
{
    InstallPlatformServices(dynamic_cast<const HeadlessBackend*>(&backend) ? "headless" : "sdl");
}

} // namespace saver
