#pragma once
// Text at the Win32 boundary. The runtime keeps its text in UTF-8 and calls
// the wide (W) functions of Windows, whose text is UTF-16 whatever the ANSI
// code page of the machine; these convert between the two.

#include <cstdint>
#include <string>
#include <string_view>

namespace saver {

// UTF-8 to UTF-16. Each malformed sequence becomes U+FFFD; zero characters
// inside the text are kept. Throws std::length_error for more than INT_MAX
// bytes (the system counts in an int).
std::wstring Widen(std::string_view text);

// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD; limits as Widen.
std::string Narrow(std::wstring_view text);

// The system's message for an error code (a Win32 error or an HRESULT), in
// UTF-8 and without the line break and full stop it ends with; empty when
// the system has no text for the code.
std::string SystemMessage(uint32_t code);

} // namespace saver
