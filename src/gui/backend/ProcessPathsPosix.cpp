#include "gui/backend/ProcessPaths.h"

#include "core/Error.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace saver {
namespace {

bool IsPrivateDirectory(const std::string& path, std::string* why)
{
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0) {
        *why = std::strerror(errno);
        return false;
    }
    if (S_ISLNK(st.st_mode)) {
        *why = "it is a symbolic link";
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        *why = "it is not a folder";
        return false;
    }
    if (st.st_uid != ::getuid()) {
        *why = "it belongs to another user";
        return false;
    }
    if ((st.st_mode & 077) != 0) {
        *why = "others may use it";
        return false;
    }
    return true;
}

std::string EnsurePrivate(const std::string& folder)
{
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw Exception("Cannot create the temporary folder " + folder + ": " + std::strerror(errno));
    std::string why;
    if (!IsPrivateDirectory(folder, &why))
        throw Exception("Refusing the temporary folder " + folder + ": " + why);
    return folder + "/";
}

} // namespace

std::string OwnExecutablePath()
{
    std::error_code ec;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

std::string PrivateTempFolder()
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        std::string why;
        if (IsPrivateDirectory(runtime, &why))
            return EnsurePrivate(std::string(runtime) + "/quorbel");
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string base = tmp && *tmp ? tmp : "/tmp";
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return EnsurePrivate(base + "/quorbel-" + std::to_string(::getuid()));
}

} // namespace saver
