#pragma once
// Checks what kind of file an item block holds, without decoding it: the
// JPEG header check comes from the raster layer, the Flash signature and the
// music formats are ours.

#include "gdi/Jpeg.h"

#include <cstdint>
#include <optional>
#include <span>

namespace saver {

// True for the signatures of an uncompressed ("FWS"), zlib ("CWS") or LZMA
// ("ZWS") compressed Flash movie.
bool IsFlashMovie(std::span<const uint8_t> bytes);

// The music type byte for the content: MIDI ("MThd"), WAV ("RIFF" with the
// form type "WAVE") or MP3 (a frame header, or an ID3v2 tag followed by
// one); nothing for anything else.
std::optional<uint8_t> MusicTypeOfContent(std::span<const uint8_t> bytes);

} // namespace saver
