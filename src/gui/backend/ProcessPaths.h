#pragma once
// Where the process keeps its files: its temporary folder and its own
// executable, as the operating system names them.

#include <string>

namespace saver {

// The full path of the running executable; empty when the system cannot
// tell.
std::string OwnExecutablePath();

// The saver's private temporary folder. On Windows: the user's temporary
// folder (GetTempPathW, in UTF-8), already private to the user. On POSIX systems,
// ending with '/':
// $XDG_RUNTIME_DIR/quorbel/ when that runtime folder exists, else
// quorbel-<uid>/ under $TMPDIR or /tmp. The folder is created with mode
// 0700 and must be a real directory owned by the user and closed to
// others; anything else (a symbolic link planted there, a folder of
// someone else) is refused with saver::Exception rather than written into.
std::string PrivateTempFolder();

} // namespace saver
