// UTF-8 <-> UTF-16 at the Win32 boundary, and the system's error texts.
#include "core/Utf16Win32.h"

#include <gtest/gtest.h>

#include <windows.h>

using namespace saver;

TEST(Utf16Win32, RoundTripsTextOutsideAsciiAndTheBasicPlane)
{
    // e with diaeresis (2 bytes), a CJK face name (3 bytes each), U+1F600
    // (4 bytes, a surrogate pair) and a zero inside the text.
    const std::string text = "Zo\xC3\xAB \xE9\xBB\x91\xE4\xBD\x93 \xF0\x9F\x98\x80" + std::string(1, '\0') + "!";
    const std::wstring wide = Widen(text);
    EXPECT_EQ(wide, std::wstring(L"Zo\u00EB \u9ED1\u4F53 \xD83D\xDE00") + L'\0' + L"!");
    EXPECT_EQ(Narrow(wide), text);
    EXPECT_EQ(Widen(""), L"");
    EXPECT_EQ(Narrow(L""), "");
}

TEST(Utf16Win32, MalformedTextBecomesReplacementCharacters)
{
    // A stray continuation byte and a byte no UTF-8 has.
    EXPECT_EQ(Widen("a\x80" "b\xFF" "c"), L"a\uFFFDb\uFFFDc");
    // A sequence cut off at the end: one replacement character or one per
    // byte, depending on the Windows version; the text before it stays.
    const std::wstring cut = Widen("c\xE9\xBB");
    ASSERT_GE(cut.size(), 2u);
    EXPECT_EQ(cut[0], L'c');
    EXPECT_EQ(cut.find_first_not_of(L'\uFFFD', 1), std::wstring::npos);
    // An unpaired surrogate, high and low.
    EXPECT_EQ(Narrow(std::wstring(L"x") + wchar_t(0xD800) + L"y" + wchar_t(0xDC00)),
              "x\xEF\xBF\xBDy\xEF\xBF\xBD");
}

TEST(Utf16Win32, SystemMessageIsTrimmedOrEmpty)
{
    const std::string text = SystemMessage(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');
    EXPECT_NE(text.back(), '.');
    EXPECT_EQ(SystemMessage(0xDEADBEEF), "");
}
