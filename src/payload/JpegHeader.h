#pragma once
// Checks what kind of file an item block holds, without decoding it: the
// JPEG header check comes from the raster layer, the Flash signature is ours.

#include "gdi/Jpeg.h"

#include <cstdint>
#include <span>

namespace saver {

// True for the signatures of an uncompressed ("FWS"), zlib ("CWS") or LZMA
// ("ZWS") compressed Flash movie.
bool IsFlashMovie(std::span<const uint8_t> bytes);

} // namespace saver
