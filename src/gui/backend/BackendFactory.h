#pragma once
#include "gui/Backend.h"

#include <memory>
#include <ostream>

namespace saver {

// The backend named by SAVER_BACKEND ("headless"); without it, the platform's
// own, which fails when there is no display. The headless and Win32 backends
// write their trace to `log` always (tests read it; a Windows program has no
// terminal), the SDL backend only when SAVER_TRACE asks for it. Throws saver::Exception for an unknown name or bad settings.
std::unique_ptr<Backend> CreateBackend(std::ostream& log);

} // namespace saver
