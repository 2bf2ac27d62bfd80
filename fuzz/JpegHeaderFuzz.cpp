// The JPEG header check on any bytes: an answer, never an exit or a crash;
// a header it accepts has a size, a component count and an orientation.
// The same bytes as an EXIF segment's data (the header check reads the
// orientation from the APP1 segments it finds): an orientation of 1 to 8.

#include "gdi/Jpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const saver::JpegHeaderResult result = saver::ReadJpegHeader({data, size});
    if (result.ok && (result.width <= 0 || result.height <= 0 || result.components <= 0 || result.orientation < 1 ||
                      result.orientation > 8))
        __builtin_trap();
    if (!result.ok && result.error.empty())
        __builtin_trap();
    const int orientation = saver::ExifOrientation({data, size});
    if (orientation < 1 || orientation > 8)
        __builtin_trap();
    return 0;
}
