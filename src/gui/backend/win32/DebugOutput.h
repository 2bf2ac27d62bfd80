#pragma once
// A GUI program on Windows has no standard error: its diagnostic lines go
// to the debugger's output (OutputDebugString), where DebugView or a
// debugger shows them.

namespace saver {

void SendDiagnosticsToDebugOutput();

} // namespace saver
