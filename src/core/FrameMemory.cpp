#include "core/FrameMemory.h"

#include <cstdlib> // says whether the C library is glibc

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace saver {

void KeepFrameMemoryForReuse()
{
#ifdef __GLIBC__
    constexpr int kKeptFreeBytes = 32 << 20;
    constexpr int kSeparateBlockBytes = 5 << 20;
    mallopt(M_TRIM_THRESHOLD, kKeptFreeBytes);
    mallopt(M_MMAP_THRESHOLD, kSeparateBlockBytes);
#endif
}

} // namespace saver
