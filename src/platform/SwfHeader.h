#pragma once
// The header of a Flash movie: signature, version, stage size, frame rate and
// frame count, and the background colour when a SetBackgroundColor tag comes
// before the first frame is shown. The body after the 8-byte file header is
// stored as is ("FWS"), zlib-compressed ("CWS") or LZMA-compressed ("ZWS");
// only as much of it is decompressed as the header and the first frame's
// tags need.

#include "core/Color.h"
#include "core/Geometry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace saver {

struct SwfHeader {
    char Compression = 'F'; // 'F' none, 'C' zlib, 'Z' LZMA
    uint8_t Version = 0;
    uint32_t FileLength = 0; // of the uncompressed movie, header included
    Rect StageTwips;         // 20 twips a pixel
    uint16_t FrameRate = 0;  // frames a second in 8.8 fixed point
    uint16_t FrameCount = 0;
    std::optional<TColor> Background;

    [[nodiscard]] Size StagePixels() const { return {StageTwips.Width() / 20, StageTwips.Height() / 20}; }
};

// Throws saver::Exception naming the movie when the bytes are not a Flash
// movie, are truncated before the frame count, or do not decompress.
SwfHeader ParseSwfHeader(const std::vector<uint8_t>& file, const std::string& name);
// Reads the start of the file and parses it; throws also when it cannot be
// read.
SwfHeader ReadSwfHeader(const std::string& path);

} // namespace saver
