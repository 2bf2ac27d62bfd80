#pragma once
// Every transition frame allocates and frees a few megabytes: a region's
// rectangles (up to 180,000 of them at 3840x2160), a blit's column lists.
// glibc's malloc maps blocks of 128 KB and more afresh and hands memory at
// the top of its heap back to the system once 128 KB of it lie free (it
// raises both limits only after freeing a mapped block, which a frame's
// own pattern need not trigger). The next frame then takes a page fault on
// every page it touches again: in a virtual machine that cost more than
// drawing the frame (a 3840x2160 criss-cross region: 17 ms with the faults,
// 0.6 ms without). Called once at start, this keeps up to 32 MB of freed
// memory for reuse and maps separately only blocks of 5 MB and more, such
// as the bitmaps of 1920x1080 and larger pictures, which go back to the
// system when freed. Elsewhere it does nothing.

#include <cstddef>

namespace saver {

void KeepFrameMemoryForReuse();

// Asks the system to back a block of `bytes` at `p`, just allocated and not
// yet written, with large pages where it offers them on request (Linux's
// transparent huge pages in "madvise" mode). Frame-sized bitmaps are read
// along paths that cross a row, and so a 4 KB page, every few pixels (the
// pivots, squeezes); with 2 MB pages those reads miss the address
// translation cache far less, and a new bitmap takes one page fault per
// 2 MB instead of per 4 KB (first writing a 3840x2160 bitmap in a virtual
// machine: 91-95 ms with 4 KB pages, 8-29 ms with 2 MB pages). Blocks
// smaller than those mapped on their own are left as they are: advice on
// part of the shared heap would split it. A hint: where it is not taken,
// nothing changes.
void AdviseLargePages(void* p, size_t bytes);

} // namespace saver
