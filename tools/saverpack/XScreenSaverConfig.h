#pragma once
// XScreenSaver's settings file (~/.xscreensaver): resource lines "name: value"
// whose values continue over lines ending in a backslash. The programs list
// is one such value, its entries separated by "\n" escapes, each entry an
// optional "visual name" in double quotes followed by a shell command.
// Adding a program inserts text at one place only, so every other byte of
// the file stays as it was.

#include "core/Error.h"

#include <optional>
#include <string>

namespace saver {

// A settings file that cannot be edited safely: a line that is neither a
// comment nor a resource, a value continued past the end of the file, two
// programs lists, or binary content.
class MalformedSettings : public Exception {
public:
    using Exception::Exception;
};

// The text of the programs list, its continuation backslashes removed and
// its "\n" escapes kept; empty when the file has none. Throws
// MalformedSettings.
std::string ProgramsValue(const std::string& text);

// Whether an entry of the programs list contains `command`.
bool ListsProgram(const std::string& text, const std::string& command);

// `text` with one entry added at the end of its programs list. A file
// without a list gets one at its end, holding `systemPrograms` (the raw
// value of the system-wide list, from just after its colon to the end of its
// last line; empty when there is none) and then the entry, so that the
// programs XScreenSaver offers by default stay offered. Throws
// MalformedSettings.
std::string AddProgram(const std::string& text, const std::string& entry, const std::string& systemPrograms);

// The position of the first entry containing `command` in the programs list,
// counted from 0 as XScreenSaver counts its `selected` program: every entry
// that is not blank, disabled ("-") ones included; none when no entry has it.
// Throws MalformedSettings.
std::optional<int> ProgramIndex(const std::string& text, const std::string& command);

// `text` with that entry made the one XScreenSaver runs: "mode" set to "one"
// and "selected" to its position. Only those two values change (each keeps
// the spacing after its colon); a resource that is missing is added as a
// line at the end. Throws MalformedSettings, also when no entry has
// `command`.
std::string SelectProgram(const std::string& text, const std::string& command);

// The raw value of the programs list of an XScreenSaver resource file (the
// system's defaults, "*programs:"), as AddProgram takes it; empty when the
// text has none or cannot be read as such a file.
std::string RawProgramsValue(const std::string& text);

} // namespace saver
