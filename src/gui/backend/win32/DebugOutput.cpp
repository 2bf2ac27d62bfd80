#include "gui/backend/win32/DebugOutput.h"

#include "core/Diagnostics.h"

#include <windows.h>

#include <string>

namespace saver {

void SendDiagnosticsToDebugOutput()
{
    SetDiagnosticSink([](std::string_view line) {
        OutputDebugStringA(("saver: " + std::string(line) + "\n").c_str());
    });
}

} // namespace saver
