#include "gui/backend/BackendFactory.h"

#include "core/Error.h"
#include "gui/backend/headless/HeadlessBackend.h"

#include <cstdlib>
#include <string>

namespace saver {

std::unique_ptr<Backend> CreateBackend(std::ostream& log)
{
    const char* name = std::getenv("SAVER_BACKEND");
    const std::string backend = name && *name ? name : "headless";
    if (backend == "headless")
        return std::make_unique<HeadlessBackend>(HeadlessBackend::Options::FromEnvironment(), log);
    throw Exception("Unknown SAVER_BACKEND '" + backend + "' (available: headless)");
}

} // namespace saver
