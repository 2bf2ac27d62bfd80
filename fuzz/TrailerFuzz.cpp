// The trailer reader on any file: it either describes blocks that lie
// inside the file, back to back before the trailer, or refuses the file.

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
    // Each block lies inside the file, and all of them, back to back, fit
    // between the start of the file and the trailer.
    int64_t total = 0;
    for (const PayloadItem& item : t.items) {
        if (item.size < 0 || item.start < 0 || item.start + item.size > file.Length())
            __builtin_trap();
        total += item.size;
    }
    if (total > file.Length() - TrailerSize)
        __builtin_trap();
    return 0;
}
