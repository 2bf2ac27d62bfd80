// The JPEG header check on any bytes: an answer, never an exit or a crash;
// a header it accepts has a size and a component count.

#include "gdi/Jpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const saver::JpegHeaderResult result = saver::ReadJpegHeader({data, size});
    if (result.ok && (result.width <= 0 || result.height <= 0 || result.components <= 0))
        __builtin_trap();
    if (!result.ok && result.error.empty())
        __builtin_trap();
    return 0;
}
