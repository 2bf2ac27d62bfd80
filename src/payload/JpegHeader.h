#pragma once
// Checks what kind of file an item block holds, without decoding it.

#include <cstdint>
#include <span>
#include <string>

namespace saver {

struct JpegHeaderResult {
    bool ok = false;
    int width = 0;
    int height = 0;
    int components = 0;
    std::string error; // libjpeg's message when ok is false
};

// Parses the JPEG header (markers up to the first scan) of the bytes with
// libjpeg; no pixel is decoded. Bytes after the image are ignored. Never
// prints and never ends the process: libjpeg's errors come back as text.
JpegHeaderResult ReadJpegHeader(std::span<const uint8_t> bytes);

// True for the signatures of an uncompressed ("FWS"), zlib ("CWS") or LZMA
// ("ZWS") compressed Flash movie.
bool IsFlashMovie(std::span<const uint8_t> bytes);

} // namespace saver
