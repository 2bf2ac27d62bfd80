#include "payload/ReadPayload.h"

#include "core/Error.h"
#include "core/Utf16Win32.h"

#include <windows.h>

#include <algorithm>

namespace saver {
namespace {

std::string ErrorText(DWORD code)
{
    const std::string message = SystemMessage(code);
    return message.empty() ? "error " + std::to_string(code) : message;
}

} // namespace

void WriteExtractedFile(const std::string& path, const uint8_t* data, size_t size)
{
    // A reparse point planted under the fixed name (a link to somewhere
    // else) is replaced as a file of its own, never written through.
    HANDLE file = ::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw Exception("Cannot write " + path + ": " + ErrorText(::GetLastError()));
    size_t written = 0;
    while (written < size) {
        const DWORD chunk = DWORD(std::min<size_t>(size - written, 1u << 30));
        DWORD n = 0;
        if (!::WriteFile(file, data + written, chunk, &n, nullptr) || n == 0) {
            const DWORD error = ::GetLastError();
            ::CloseHandle(file);
            throw Exception("Cannot write " + path + ": " + ErrorText(error));
        }
        written += n;
    }
    if (!::CloseHandle(file))
        throw Exception("Cannot write " + path + ": " + ErrorText(::GetLastError()));
}

} // namespace saver
