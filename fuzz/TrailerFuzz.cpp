// The trailer reader on any file: it either describes blocks that lie inside
// the file, in order and without overlap, or refuses the file.

#include "FuzzSupport.h"
#include "payload/Trailer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace saver;
    PayloadFile file(fuzz::WriteInput("trailer.scr", data, size));
    TrailerContents t;
    try {
        t = ReadTrailer(file);
    } catch (const PayloadError&) {
        return 0;
    }
    // Blocks run back to back from the trailer towards the start of the file.
    int64_t end = file.Length() - TrailerSize;
    for (const PayloadItem& item : t.items) {
        if (item.size < 0 || item.start < 0 || item.start + item.size > file.Length())
            __builtin_trap();
    }
    for (const PayloadItem& item : t.items)
        end -= item.size;
    if (end < 0)
        __builtin_trap();
    return 0;
}
