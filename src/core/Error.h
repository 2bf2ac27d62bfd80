#pragma once
// Failures are exceptions with fixed English messages. Handlers at the message
// loop turn any that escape an event handler into the default error report.

#include <stdexcept>
#include <string>

namespace saver {

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

} // namespace saver
