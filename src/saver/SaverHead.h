#pragma once
// The start-up: chooses the run from the command line and runs it.

#include "gui/Messages.h"

#include <string>
#include <vector>

namespace saver {

class Backend;

enum class RunKind { Saver, Preview, ConfigurationRefusal };

// The screensaver protocol: "/p" exactly is the preview; a second character
// "c" in either case is the configuration request; anything else, no
// argument included, runs the saver.
RunKind ChooseRun(const std::vector<std::string>& args);

// Where a saver run draws: a full-screen window of its own, or a window that
// a screensaver host (XScreenSaver) gives it, the desktop's root window
// included.
enum class HostKind { None, Window, Root };

struct HostChoice {
    HostKind Kind = HostKind::None;
    HWND Window = 0; // the host's window for HostKind::Window
};

// The host arguments of a saver run, "--window-id ID" or "-window-id ID"
// (decimal or 0x hexadecimal) and "--root" or "-root", and the value of
// XSCREENSAVER_WINDOW (null when unset), which the host sets. An id on the
// command line wins over the variable, and the variable over the root
// window, which is what a host's "-root" means while it names a window of
// its own. Throws saver::Exception for a missing or malformed id.
HostChoice ChooseHost(const std::vector<std::string>& args, const char* hostVariable);

// What a user at a terminal may ask of the program itself instead of a run:
// "--help" or "-h" for its usage, "--version" for its version. Only the
// first argument is looked at, as for the runs; these never open a window.
enum class InfoRequest { None, Usage, Version };
InfoRequest ChooseInfoRequest(const std::vector<std::string>& args);
// The usage text: the screensaver arguments, the host arguments and the
// environment variables; `program` is the name it was started by.
std::string UsageText(const std::string& program);
// "NAME VERSION", one line.
std::string VersionText(const std::string& program);

// Runs the chosen run on the backend and returns the process exit code: 0,
// or 1 when a failure ended the run (after the error report).
int SaverMain(const std::vector<std::string>& args, Backend& backend);

} // namespace saver
