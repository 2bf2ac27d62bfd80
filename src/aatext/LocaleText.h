#pragma once
// What the user's locale decides for the text labels: case-insensitive name
// comparison and the date and time formats. The locale is taken from the
// environment at each call.

#include <ctime>
#include <string>
#include <string_view>

namespace saver {

// Equal under the locale's case folding (UTF-8 text; bytes that do not
// decode count as U+FFFD).
[[nodiscard]] bool SameTextLocale(std::string_view a, std::string_view b);

// The locale's short date and long time formats.
[[nodiscard]] std::string FormatShortDate(const std::tm& time);
[[nodiscard]] std::string FormatLongTime(const std::tm& time);

// The current local time.
[[nodiscard]] std::tm LocalNow();

} // namespace saver
