// The user's locale on Windows: the user default locale's case-insensitive
// comparison and its short date and long time formats. Text is UTF-8 here
// and UTF-16 at the system.
#include "aatext/LocaleText.h"

#include "core/Utf16Win32.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <string>
#include <time.h>

namespace saver {

namespace {

// The time as the formatting functions take it; false when a field lies
// outside the range Windows accepts.
bool ToSystemTime(const std::tm& time, SYSTEMTIME& system)
{
    const long long year = 1900LL + time.tm_year;
    if (year < 1601 || year > 30827 || time.tm_mon < 0 || time.tm_mon > 11 || time.tm_mday < 1 || time.tm_mday > 31 ||
        time.tm_hour < 0 || time.tm_hour > 23 || time.tm_min < 0 || time.tm_min > 59 || time.tm_sec < 0 ||
        time.tm_sec > 60)
        return false;
    system = {};
    system.wYear = WORD(year);
    system.wMonth = WORD(time.tm_mon + 1);
    system.wDayOfWeek = WORD(time.tm_wday >= 0 && time.tm_wday <= 6 ? time.tm_wday : 0);
    system.wDay = WORD(time.tm_mday);
    system.wHour = WORD(time.tm_hour);
    system.wMinute = WORD(time.tm_min);
    system.wSecond = WORD(std::min(time.tm_sec, 59)); // a leap second shows as :59
    return true;
}

// Runs a Get...FormatW function twice: once for the length, once for the text.
template <typename Format> std::string Formatted(const std::tm& time, Format format)
{
    SYSTEMTIME system;
    if (!ToSystemTime(time, system))
        return {};
    const int length = format(system, nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring text(size_t(length), L'\0');
    const int written = format(system, text.data(), length);
    text.resize(written > 0 ? size_t(written) - 1 : 0); // the count includes the terminating zero
    return Narrow(text);
}

} // namespace

bool SameTextLocale(std::string_view a, std::string_view b)
{
    if (a.size() > INT_MAX || b.size() > INT_MAX)
        return a == b;
    const std::wstring wideA = Widen(a), wideB = Widen(b);
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wideA.data(), int(wideA.size()), wideB.data(),
                          int(wideB.size())) == CSTR_EQUAL;
}

std::string FormatShortDate(const std::tm& time)
{
    return Formatted(time, [](const SYSTEMTIME& system, wchar_t* buffer, int size) {
        return GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &system, nullptr, buffer, size);
    });
}

std::string FormatLongTime(const std::tm& time)
{
    return Formatted(time, [](const SYSTEMTIME& system, wchar_t* buffer, int size) {
        return GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &system, nullptr, buffer, size);
    });
}

std::tm LocalNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    return local;
}

} // namespace saver
