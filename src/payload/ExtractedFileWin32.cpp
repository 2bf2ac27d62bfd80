#include "payload/ReadPayload.h"

#include "core/Error.h"

#include <windows.h>

#include <algorithm>

namespace saver {
namespace {

std::string SystemMessage(DWORD code)
{
    char text[512] = {};
    const DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                          text, DWORD(sizeof text), nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message.empty() ? "error " + std::to_string(code) : message;
}

} // namespace

void WriteExtractedFile(const std::string& path, const uint8_t* data, size_t size)
{
    // A reparse point planted under the fixed name (a link to somewhere
    // else) is replaced as a file of its own, never written through.
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw Exception("Cannot write " + path + ": " + SystemMessage(::GetLastError()));
    size_t written = 0;
    while (written < size) {
        const DWORD chunk = DWORD(std::min<size_t>(size - written, 1u << 30));
        DWORD n = 0;
        if (!::WriteFile(file, data + written, chunk, &n, nullptr) || n == 0) {
            const DWORD error = ::GetLastError();
            ::CloseHandle(file);
            throw Exception("Cannot write " + path + ": " + SystemMessage(error));
        }
        written += n;
    }
    if (!::CloseHandle(file))
        throw Exception("Cannot write " + path + ": " + SystemMessage(::GetLastError()));
}

} // namespace saver
