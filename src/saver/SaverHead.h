#pragma once
// The start-up: chooses the run from the command line and runs it.

#include <string>
#include <vector>

namespace saver {

class Backend;

enum class RunKind { Saver, Preview, ConfigurationRefusal };

// The screensaver protocol: "/p" exactly is the preview; a second character
// "c" in either case is the configuration request; anything else, no
// argument included, runs the saver.
RunKind ChooseRun(const std::vector<std::string>& args);

// Runs the chosen run on the backend and returns the process exit code: 0,
// or 1 when a failure ended the run (after the error report).
int SaverMain(const std::vector<std::string>& args, Backend& backend);

} // namespace saver
