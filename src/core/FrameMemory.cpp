#include "core/FrameMemory.h"

#include <cstdlib> // says whether the C library is glibc

#include <cstdint>

#ifdef __GLIBC__
#include <malloc.h>
#endif
#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace saver {

namespace {
constexpr int kSeparateBlockBytes = 5 << 20;
}

void KeepFrameMemoryForReuse()
{
#ifdef __GLIBC__
    constexpr int kKeptFreeBytes = 32 << 20;
    mallopt(M_TRIM_THRESHOLD, kKeptFreeBytes);
    mallopt(M_MMAP_THRESHOLD, kSeparateBlockBytes);
#endif
}

void AdviseLargePages(void* p, size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (bytes < size_t{kSeparateBlockBytes})
        return;
    const auto page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = (uintptr_t(p) + page - 1) & ~(page - 1);
    const uintptr_t end = (uintptr_t(p) + bytes) & ~(page - 1);
    // Only whole pages of the block; a refusal leaves the block as it was.
    if (end > begin)
        (void)madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)p;
    (void)bytes;
#endif
}

} // namespace saver
