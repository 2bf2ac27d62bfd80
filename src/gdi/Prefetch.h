#pragma once
// Hints that bring a stretch of memory into the processor's cache before a
// loop that reads or writes it pixel by pixel. Such a loop otherwise waits
// on memory for every new cache line, as it touches too few lines at once
// for the processor to run ahead; a row fetched while the previous one is
// worked on arrives in the meantime. Hints only: no effect on results.

#include <cstddef>

namespace saver {

inline constexpr size_t kCacheLineBytes = 64;

// The cache line holding p, to be read soon.
inline void PrefetchLineForReading(const void* p)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p, 0);
#else
    (void)p;
#endif
}

// [p, p + bytes) to be read soon.
inline void PrefetchForReading(const void* p, size_t bytes)
{
    for (size_t at = 0; at < bytes; at += kCacheLineBytes)
        PrefetchLineForReading(static_cast<const char*>(p) + at);
}

// [p, p + bytes) to be written soon.
inline void PrefetchForWriting(void* p, size_t bytes)
{
#if defined(__GNUC__) || defined(__clang__)
    for (size_t at = 0; at < bytes; at += kCacheLineBytes)
        __builtin_prefetch(static_cast<char*>(p) + at, 1);
#else
    (void)p;
    (void)bytes;
#endif
}

} // namespace saver
