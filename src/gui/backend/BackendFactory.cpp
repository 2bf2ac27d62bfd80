#include "gui/backend/BackendFactory.h"

#include "core/Diagnostics.h"
#include "core/Error.h"
#include "gui/backend/headless/HeadlessBackend.h"
#ifdef _WIN32
#include "gui/backend/win32/Win32Backend.h"
#else
#include "gui/backend/sdl/SdlBackend.h"
#endif

#include <cstdlib>
#include <string>

namespace saver {
namespace {

#ifdef _WIN32
const char* const kPlatformBackend = "win32";
#else
const char* const kPlatformBackend = "sdl";
#endif

} // namespace

std::unique_ptr<Backend> CreateBackend(std::ostream& log)
{
    const char* name = std::getenv("SAVER_BACKEND");
    // The window system unless told otherwise: without a display the run
    // fails at once rather than spin unseen in virtual time.
    const std::string backend = name && *name ? name : kPlatformBackend;
    if (backend == "headless")
        return std::make_unique<HeadlessBackend>(HeadlessBackend::Options::FromEnvironment(), log);
    if (backend == kPlatformBackend) {
#ifdef _WIN32
        return std::make_unique<Win32Backend>(log);
#else
        return std::make_unique<SdlBackend>(TraceStream(log));
#endif
    }
    throw Exception("Unknown SAVER_BACKEND '" + backend + "' (available: " + kPlatformBackend + ", headless)");
}

} // namespace saver
