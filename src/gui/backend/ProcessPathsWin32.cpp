#include "gui/backend/ProcessPaths.h"

#include "core/Error.h"
#include "core/Utf16Win32.h"

#include <windows.h>

#include <vector>

namespace saver {

std::string OwnExecutablePath()
{
    // GetModuleFileNameW fills the whole buffer when the path is longer:
    // grow until it fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size())
            return Narrow({buffer.data(), length});
        if (buffer.size() >= 32768)
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string PrivateTempFolder()
{
    // Every extracted file name is this folder followed by a short name; the
    // folder itself must fit the classic 254 characters (UTF-16 units, as
    // the system counts them). A longer one is refused rather than cut into
    // a different folder.
    constexpr DWORD kLimit = 254;
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0)
        throw Exception("The system names no temporary folder");
    if (length > kLimit)
        throw Exception("The temporary folder's path is longer than 254 characters");
    std::string path = Narrow({buffer, length});
    if (path.back() != '\\' && path.back() != '/')
        path += '\\';
    return path;
}

} // namespace saver
