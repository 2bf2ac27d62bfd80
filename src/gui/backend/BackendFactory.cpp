#include "gui/backend/BackendFactory.h"

#include "core/Error.h"
#include "gui/backend/headless/HeadlessBackend.h"
#include "gui/backend/sdl/SdlBackend.h"

#include <cstdlib>
#include <string>

namespace saver {
namespace {

bool Set(const char* variable)
{
    const char* value = std::getenv(variable);
    return value && *value;
}

} // namespace

std::unique_ptr<Backend> CreateBackend(std::ostream& log)
{
    // Without a choice: the display when there is one, else no window system.
    const char* name = std::getenv("SAVER_BACKEND");
    const std::string backend =
        name && *name ? name : (Set("DISPLAY") || Set("WAYLAND_DISPLAY") ? "sdl" : "headless");
    if (backend == "headless")
        return std::make_unique<HeadlessBackend>(HeadlessBackend::Options::FromEnvironment(), log);
    if (backend == "sdl")
        return std::make_unique<SdlBackend>(log);
    throw Exception("Unknown SAVER_BACKEND '" + backend + "' (available: sdl, headless)");
}

} // namespace saver
