#pragma once
// One line about a problem the product works around rather than shows (a
// picture skipped, a picture cut short): for a developer or the user's
// terminal, never a message box. Standard error by default; the Windows
// start-up sends the lines to the debugger's output, tests to a list.

#include <functional>
#include <ostream>
#include <string_view>

namespace saver {

using DiagnosticSink = std::function<void(std::string_view line)>;

// Thread-safe; the line gets its end added by the sink.
void ReportDiagnostic(std::string_view line);

// Replaces where the lines go; an empty sink restores standard error.
void SetDiagnosticSink(DiagnosticSink sink);

// The trace of what a backend does on the user's behalf (shell calls, the
// cursor, sound devices) is for whoever asks with SAVER_TRACE=1; a normal
// run on a display prints nothing.
[[nodiscard]] bool TraceRequested();
// `log` when the trace is asked for, else a stream that drops everything.
[[nodiscard]] std::ostream& TraceStream(std::ostream& log);

} // namespace saver
