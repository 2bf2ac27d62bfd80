#pragma once
// What this process holds, from /proc/self: resident memory, open file
// descriptors and threads. For the soak run and the memory benchmark.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace saver::test {

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"), or -1.
inline long StatusKb(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0)
            return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
    return -1;
}

inline size_t CountEntries(const char* dir)
{
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir))
        ++n;
    return n;
}

struct ProcessUsage {
    long rssKb = 0;
    size_t fds = 0;
    size_t threads = 0;
};

inline ProcessUsage MeasureProcess()
{
    return {StatusKb("VmRSS"), CountEntries("/proc/self/fd"), CountEntries("/proc/self/task")};
}

} // namespace saver::test
