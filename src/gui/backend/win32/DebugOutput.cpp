#include "gui/backend/win32/DebugOutput.h"

#include "core/Diagnostics.h"
#include "core/Utf16Win32.h"

#include <windows.h>

#include <string>

namespace saver {

void SendDiagnosticsToDebugOutput()
{
    SetDiagnosticSink([](std::string_view line) {
        OutputDebugStringW(Widen("saver: " + std::string(line) + "\n").c_str());
    });
}

} // namespace saver
