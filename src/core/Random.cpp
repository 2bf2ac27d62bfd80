#include "core/Random.h"

#include <chrono>
#include <ctime>
#include <mutex>

namespace saver {
namespace {

std::mutex& GeneratorMutex()
{
    static std::mutex mutex;
    return mutex;
}
uint32_t g_seed = 0;

} // namespace

uint32_t RandSeed()
{
    std::lock_guard lock(GeneratorMutex());
    return g_seed;
}

void SetRandSeed(uint32_t seed)
{
    std::lock_guard lock(GeneratorMutex());
    g_seed = seed;
}

int32_t Random(int32_t n)
{
    std::lock_guard lock(GeneratorMutex());
    g_seed = g_seed * 134775813u + 1u;
    return int32_t((uint64_t(g_seed) * uint64_t(uint32_t(n))) >> 32);
}

void Randomize()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    SetRandSeed(uint32_t(((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 + ms));
}

} // namespace saver
