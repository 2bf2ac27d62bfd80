// The registered user and the locale on Windows. The registry cases write to
// a private key of the current user that stands in for HKEY_LOCAL_MACHINE in
// this process only, and delete it afterwards.
#include "aatext/LocaleText.h"
#include "aatext/RegisteredUser.h"
#include "core/Utf16Win32.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

using namespace saver;

namespace {

constexpr const wchar_t* kWindows = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr const wchar_t* kWindowsNt = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

class RegisteredUserWin32 : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_machine,
                                  nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_machine), ERROR_SUCCESS);
    }
    void TearDown() override
    {
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        RegCloseKey(m_machine);
        RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
    }
    // Stores `size` bytes; a string's size may leave out its zero.
    void Set(const wchar_t* path, const wchar_t* name, const void* data, DWORD size, DWORD type = REG_SZ)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(m_machine, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        RegCloseKey(key);
    }

private:
    std::string m_path = "Software\\SaverTestMachine" + std::to_string(GetCurrentProcessId());
    HKEY m_machine = nullptr;
};

} // namespace

TEST_F(RegisteredUserWin32, WindowsKeyFirstThenWindowsNt)
{
    // An owner outside the ANSI code page comes back in UTF-8.
    Set(kWindows, L"RegisteredOwner", L"Zo\u00EB \u9ED1", 12);
    Set(kWindowsNt, L"RegisteredOwner", L"Someone Else", 26);
    // A number falls through; the string stored after it lacks its zero.
    const DWORD number = 42;
    Set(kWindows, L"RegisteredOrganization", &number, sizeof number, REG_DWORD);
    Set(kWindowsNt, L"RegisteredOrganization", L"Quorbel Ltd", 22);
    const RegisteredUser user = ReadRegisteredUser();
    EXPECT_EQ(user.Owner, "Zo\xC3\xAB \xE9\xBB\x91");
    EXPECT_EQ(user.Organization, "Quorbel Ltd");
}

TEST_F(RegisteredUserWin32, MissingOwnerIsTheLoggedOnUser)
{
    Set(kWindows, L"RegisteredOwner", L"", 2);
    Set(kWindowsNt, L"RegisteredOwner", "\x01\x02", 2, REG_BINARY);
    wchar_t name[257] = {};
    DWORD size = 257;
    ASSERT_TRUE(GetUserNameW(name, &size));
    EXPECT_EQ(ReadRegisteredUser().Owner, Narrow(name));
    EXPECT_EQ(ReadRegisteredUser().Organization, "");
}

TEST(LocaleTextWin32, ComparesIgnoringCaseAndFormatsOrGivesNothing)
{
    EXPECT_TRUE(SameTextLocale("Title2", "tITLE2"));
    EXPECT_FALSE(SameTextLocale("Title2", "Title1"));
    EXPECT_FALSE(SameTextLocale("Title", "Title1"));

    std::tm time{};
    time.tm_year = 2031 - 1900;
    time.tm_mon = 10;
    time.tm_mday = 27;
    time.tm_hour = 13;
    time.tm_min = 7;
    time.tm_sec = 9;
    const std::string date = FormatShortDate(time), clock = FormatLongTime(time);
    EXPECT_TRUE(date.find("31") != std::string::npos && date.find("27") != std::string::npos) << date;
    EXPECT_TRUE(clock.find("07") != std::string::npos && clock.find("09") != std::string::npos) << clock;
    time.tm_mon = 12;
    EXPECT_EQ(FormatShortDate(time) + FormatLongTime(time), "");
}
