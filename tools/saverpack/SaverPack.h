#pragma once
// saverpack: builds screensavers from a runtime executable and content files,
// and prints the trailer of an existing one.

#include <ostream>
#include <string>
#include <vector>

namespace saver {

// Exit codes of the tool.
constexpr int SaverPackOk = 0;
constexpr int SaverPackIoError = 1;
constexpr int SaverPackUsageError = 2;

// Runs the tool with the arguments that follow the program name. Normal
// output goes to `out`, messages and warnings to `err`; when `err` is a
// terminal, a progress line shows there while pictures are prepared.
int RunSaverPack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 bool errIsTerminal = false);

} // namespace saver
