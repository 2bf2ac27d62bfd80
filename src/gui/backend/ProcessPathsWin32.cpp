#include "gui/backend/ProcessPaths.h"

#include "core/Error.h"

#include <windows.h>

#include <vector>

namespace saver {

std::string OwnExecutablePath()
{
    // GetModuleFileNameA fills the whole buffer when the path is longer:
    // grow until it fits.
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameA(nullptr, buffer.data(), DWORD(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size())
            return std::string(buffer.data(), length);
        if (buffer.size() >= 32768)
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string PrivateTempFolder()
{
    // Every extracted file name is this folder followed by a short name; the
    // folder itself must fit the classic 254 characters. A longer one is
    // refused rather than cut into a different folder.
    constexpr DWORD kLimit = 254;
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathA(DWORD(sizeof buffer), buffer);
    if (length == 0)
        throw Exception("The system names no temporary folder");
    if (length > kLimit)
        throw Exception("The temporary folder's path is longer than 254 characters");
    std::string path(buffer, length);
    if (path.back() != '\\' && path.back() != '/')
        path += '\\';
    return path;
}

} // namespace saver
