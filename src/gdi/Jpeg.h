#pragma once
// JPEG through libjpeg: the header check the payload reader uses, decoding
// into a 24-bit bitmap, and encoding (for tools and tests). libjpeg's errors
// never print and never end the process; they come back as text.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace saver {

class Bitmap;

struct JpegHeaderResult {
    bool ok = false;
    int width = 0;
    int height = 0;
    int components = 0;
    std::string error; // libjpeg's message when ok is false
};

// Parses the header (markers up to the first scan); no pixel is decoded.
// Bytes after the image are ignored.
JpegHeaderResult ReadJpegHeader(std::span<const uint8_t> bytes);

// Decodes the first image in the bytes into a 24-bit bitmap. Throws
// saver::Exception with libjpeg's message on a damaged picture, and refuses
// pictures larger than Bitmap::kMaxDimension before decoding them.
void DecodeJpeg(std::span<const uint8_t> bytes, Bitmap& out);
void LoadJpegFile(const std::string& path, Bitmap& out);

// Encodes the bitmap as a baseline colour JPEG of the given quality (1..100).
std::vector<uint8_t> EncodeJpeg(const Bitmap& bitmap, int quality = 90);

} // namespace saver
