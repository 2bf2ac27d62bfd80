#include "platform/PlatformServices.h"

#include "core/Diagnostics.h"
#include "core/Error.h"
#include "gui/Application.h"
#include "gui/backend/headless/HeadlessBackend.h"
#include "platform/ClockedMediaDevice.h"
#include "platform/FlashStandIn.h"
#include "platform/InstallPlatformServices.h"

#ifdef _WIN32
#include "gui/backend/win32/DebugOutput.h"
#include "gui/backend/win32/Win32Backend.h"
#include "platform/ActiveXFlash.h"
#include "platform/MciMediaDevice.h"
#else
#include "gui/backend/ProcessPaths.h"
#include "gui/backend/sdl/SdlBackend.h"
#include "platform/RuffleFlash.h"
#include "platform/SdlMixerDevice.h"

#include <iostream>
#endif

namespace saver {
namespace {

// The devices need the application (its clock, its timers), which exists
// only once the run has started: they look it up when they are created.
std::unique_ptr<MediaDevice> CreateClockedDevice() { return std::make_unique<ClockedMediaDevice>(Application::Current()); }

std::unique_ptr<FlashEngine> CreateStandIn() { return std::make_unique<FlashStandIn>(Application::Current().GetClock()); }

PlatformServices HeadlessServices() { return {CreateClockedDevice, CreateStandIn}; }

#ifdef _WIN32

std::unique_ptr<MediaDevice> CreateMciDevice() { return std::make_unique<MciMediaDevice>(); }

// The control lives in the native window of the framework's form.
std::unique_ptr<FlashEngine> CreateActiveXFlash()
{
    return std::make_unique<ActiveXFlash>([](HWND frameworkWindow) -> void* {
        const Win32Backend* backend = Win32Backend::Current();
        return backend ? backend->NativeHandle(frameworkWindow) : nullptr;
    });
}

PlatformServices PlatformChoice() { return {CreateMciDevice, CreateActiveXFlash}; }
constexpr const char* kPlatformName = "win32";

void InstallDiagnostics() { SendDiagnosticsToDebugOutput(); }

#else

std::unique_ptr<MediaDevice> CreateMixerDevice()
{
    try {
        return std::make_unique<SdlMixerDevice>(Application::Current().GetClock());
    } catch (const Exception& error) {
        static bool said = false;
        if (!said)
            TraceStream(std::cerr) << "audio: " << error.what() << "; music keeps its timing without sound"
                                   << std::endl;
        said = true;
        return CreateClockedDevice();
    }
}

// The stand-in where the real player is missing: the first movie it plays
// says why, once a run (picture savers never hear of it).
class ExplainedStandIn final : public FlashEngine {
public:
    explicit ExplainedStandIn(std::string reason) : m_reason(std::move(reason)) {}
    void LoadMovie(const std::string& path) override
    {
        static bool said = false;
        if (!said)
            std::cerr << "flash: " << m_reason
                      << "; movies show as a stand-in (their background colour and a moving square, no sound)"
                      << std::endl;
        said = true;
        m_standIn.LoadMovie(path);
    }
    void Play() override { m_standIn.Play(); }
    int32_t TotalFrames() override { return m_standIn.TotalFrames(); }
    int32_t CurrentFrame() override { return m_standIn.CurrentFrame(); }
    void Paint(Canvas& canvas, const Rect& client) override { m_standIn.Paint(canvas, client); }

private:
    std::string m_reason;
    FlashStandIn m_standIn{Application::Current().GetClock()};
};

// Ruffle in the player process where its files are installed, else the
// stand-in.
std::unique_ptr<FlashEngine> CreatePlayerOrStandIn()
{
    static const auto located = LocateFlashPlayer(FlashPlayerPlaces(OwnExecutablePath()));
    if (const auto* files = std::get_if<FlashPlayerFiles>(&located)) {
        return std::make_unique<RuffleFlash>(Application::Current().GetClock(), *files, [](HWND window) {
            const auto* backend = dynamic_cast<const SdlBackend*>(&Application::Current().GetBackend());
            return backend ? backend->X11Window(window) : 0UL;
        });
    }
    return std::make_unique<ExplainedStandIn>(std::get<std::string>(located));
}

PlatformServices PlatformChoice() { return {CreateMixerDevice, CreatePlayerOrStandIn}; }
constexpr const char* kPlatformName = "sdl";

void InstallDiagnostics() {} // standard error

#endif

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
    else if (backendName == kPlatformName) {
        PlatformServices::Current() = PlatformChoice();
        InstallDiagnostics();
    }
    else
        throw Exception("No platform services for the backend '" + backendName + "'");
}

void InstallPlatformServices(const Backend& backend)
{
    // A build has the headless backend and its platform's own.
    InstallPlatformServices(dynamic_cast<const HeadlessBackend*>(&backend) ? "headless" : kPlatformName);
}

} // namespace saver
