#include "core/Utf16Win32.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <stdexcept>

namespace saver {

namespace {

int Count(size_t size)
{
    if (size > size_t(INT_MAX))
        throw std::length_error("The text is too long for the system");
    return int(size);
}

} // namespace

std::wstring Widen(std::string_view text)
{
    if (text.empty())
        return {};
    const int count = Count(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), count, nullptr, 0);
    std::wstring wide(size_t(std::max(length, 0)), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), count, wide.data(), length);
    return wide;
}

std::string Narrow(std::wstring_view text)
{
    if (text.empty())
        return {};
    const int count = Count(text.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), count, nullptr, 0, nullptr, nullptr);
    std::string narrow(size_t(std::max(length, 0)), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), count, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

std::string SystemMessage(uint32_t code)
{
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring_view text(buffer, buffer ? length : 0);
    while (!text.empty() && std::wstring_view(L"\r\n .").find(text.back()) != std::wstring_view::npos)
        text.remove_suffix(1);
    std::string message = Narrow(text);
    LocalFree(buffer);
    return message;
}

} // namespace saver
