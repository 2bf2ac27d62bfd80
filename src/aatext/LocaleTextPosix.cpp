// The user's locale through the C library: the locale named by the
// environment (LC_ALL, LC_CTYPE / LC_TIME, LANG), "C" when it is not
// installed.
#include "aatext/LocaleText.h"
#include "gdi/text/Utf8.h"

#include <clocale>
#include <cwctype>
#include <locale.h>
#include <time.h>
#include <wctype.h>

namespace saver {

namespace {

class UserLocale {
public:
    explicit UserLocale(int mask) : m_locale(newlocale(mask, "", locale_t(0)))
    {
        if (!m_locale)
            m_locale = newlocale(mask, "C", locale_t(0));
    }
    ~UserLocale()
    {
        if (m_locale)
            freelocale(m_locale);
    }
    UserLocale(const UserLocale&) = delete;
    UserLocale& operator=(const UserLocale&) = delete;
    [[nodiscard]] locale_t Get() const { return m_locale; }

private:
    locale_t m_locale;
};

std::string FormatTime(const char* format, const std::tm& time)
{
    UserLocale locale(LC_TIME_MASK);
    char buffer[256];
    const size_t length = locale.Get() ? strftime_l(buffer, sizeof buffer, format, &time, locale.Get())
                                       : std::strftime(buffer, sizeof buffer, format, &time);
    return std::string(buffer, length);
}

} // namespace

bool SameTextLocale(std::string_view a, std::string_view b)
{
    UserLocale locale(LC_CTYPE_MASK);
    const auto fold = [&](char32_t c) { return locale.Get() ? char32_t(towlower_l(wint_t(c), locale.Get())) : c; };
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size())
        if (fold(text::NextCodePoint(a, i)) != fold(text::NextCodePoint(b, j)))
            return false;
    return i == a.size() && j == b.size();
}

std::string FormatShortDate(const std::tm& time) { return FormatTime("%x", time); }

std::string FormatLongTime(const std::tm& time) { return FormatTime("%X", time); }

std::tm LocalNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

} // namespace saver
