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

namespace saver {

void KeepFrameMemoryForReuse();

} // namespace saver
