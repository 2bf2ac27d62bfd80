#pragma once
// An X display for the tests that open windows: the one DISPLAY names, or
// else an Xvfb server that this test program starts on a free display
// number (640x480, 24-bit) and stops when it exits.

#include <string>

namespace saver::test {

// Empty when a display is ready; otherwise the reason there is none.
std::string EnsureTestDisplay();

} // namespace saver::test
