// The movie header reader on any bytes, stored or compressed: a header or
// saver::Exception.

#include "core/Error.h"
#include "platform/SwfHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        const saver::SwfHeader header = saver::ParseSwfHeader(std::vector<uint8_t>(data, data + size), "fuzz.swf");
        if (header.Compression != 'F' && header.Compression != 'C' && header.Compression != 'Z')
            __builtin_trap();
    } catch (const saver::Exception&) {
    }
    return 0;
}
