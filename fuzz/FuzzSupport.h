#pragma once
// Shared by the fuzz targets: one private folder per process, made with
// mode 0700 and removed at exit, and whole-file writes into it.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace saver::fuzz {

// The process's private folder, ending in a separator.
inline const std::string& PrivateFolder()
{
    static const std::string folder = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/saver-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        static const std::string made = pattern;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(made, ec);
        });
        return pattern + "/";
    }();
    return folder;
}

inline std::string WriteInput(const std::string& name, const uint8_t* data, size_t size)
{
    const std::string path = PrivateFolder() + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || (size && std::fwrite(data, 1, size, file) != size) || std::fclose(file) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
    return path;
}

} // namespace saver::fuzz
