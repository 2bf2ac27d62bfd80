#include "payload/JpegHeader.h"

namespace saver {

bool IsFlashMovie(std::span<const uint8_t> bytes)
{
    if (bytes.size() < 3 || bytes[1] != 'W' || bytes[2] != 'S')
        return false;
    return bytes[0] == 'F' || bytes[0] == 'C' || bytes[0] == 'Z';
}

} // namespace saver
