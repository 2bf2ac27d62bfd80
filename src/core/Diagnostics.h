#pragma once
// One line about a problem the product works around rather than shows (a
// picture skipped, a picture cut short): for a developer or the user's
// terminal, never a message box. Standard error by default; the Windows
// start-up sends the lines to the debugger's output, tests to a list.

#include <functional>
#include <string_view>

namespace saver {

using DiagnosticSink = std::function<void(std::string_view line)>;

// Thread-safe; the line gets its end added by the sink.
void ReportDiagnostic(std::string_view line);

// Replaces where the lines go; an empty sink restores standard error.
void SetDiagnosticSink(DiagnosticSink sink);

} // namespace saver
