#pragma once
// JPEG through libjpeg: the header check the payload reader uses, decoding
// into a 24-bit bitmap, and encoding (for tools and tests). libjpeg's errors
// never print and never end the process; they come back as text.
//
// Decoding takes every kind of JPEG cameras and editors write: baseline,
// progressive and arithmetic-coded, grey, YCbCr, RGB, CMYK and YCCK (the
// inverted inks of Adobe's writers included), any sampling, restart
// markers. A picture is turned upright by its EXIF orientation, and may be
// decoded only in part: the middle that a screen of a given size shows.

#include "core/Geometry.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace saver {

class Bitmap;

// The EXIF orientation: how the stored pixels must be turned to stand
// upright. 1 is as stored; 2 mirrored left to right; 3 turned half a
// circle; 4 mirrored top to bottom; 5 mirrored along the main diagonal; 6
// turned a quarter clockwise; 7 mirrored along the other diagonal; 8 turned
// a quarter anticlockwise.
struct Orientation {
    bool Transpose = false; // the upright x runs along the stored y
    bool FlipX = false;     // stored x counted from the right
    bool FlipY = false;     // stored y counted from the bottom

    // 1 for any value outside 1 to 8.
    [[nodiscard]] static Orientation FromExif(int value);
    // The stored pixel an upright pixel (x, y) shows; W x H the stored size.
    [[nodiscard]] Point StoredPixel(int32_t x, int32_t y, int32_t W, int32_t H) const;
    // The stored rectangle an upright one covers.
    [[nodiscard]] Rect StoredRect(const Rect& upright, int32_t W, int32_t H) const;
};

// The upright picture of a 24-bit `stored` bitmap; `upright` may be
// `stored` itself.
void TurnUpright(const Bitmap& stored, const Orientation& orientation, Bitmap& upright);

struct JpegHeaderResult {
    bool ok = false;
    int width = 0; // as stored
    int height = 0;
    int components = 0;
    int orientation = 1; // the EXIF orientation tag, 1 without one
    std::string error;   // libjpeg's message when ok is false

    // The size once turned upright.
    [[nodiscard]] int UprightWidth() const;
    [[nodiscard]] int UprightHeight() const;
};

// The largest picture decoding accepts, in pixels: about 100 megapixels,
// four times a 24-megapixel camera's. Larger ones are refused before
// anything is allocated for them.
inline constexpr int64_t kMaxJpegPixels = 100'000'000;

// Parses the header (markers up to the first scan); no pixel is decoded.
// Bytes after the image are ignored.
JpegHeaderResult ReadJpegHeader(std::span<const uint8_t> bytes);

// The EXIF orientation in an APP1 segment's data ("Exif\0\0" and a TIFF
// structure); 1 when it holds none or cannot be read. Reads nothing beyond
// the span.
int ExifOrientation(std::span<const uint8_t> app1);

// Blue, green, red of `count` CMYK pixels. `inverted` data (Adobe's
// writers) stores 255 for no ink; plain data stores 0 for no ink.
void CmykToBgr(const uint8_t* cmyk, uint8_t* bgr, size_t count, bool inverted);

struct JpegDecodeOptions {
    // Only the middle of the upright picture that a centred window of this
    // size shows is decoded (a side of 0 keeps the whole side): the part a
    // screen shows of a picture drawn centred at its own size.
    int32_t VisibleWidth = 0;
    int32_t VisibleHeight = 0;
};

// Decodes the first image in the bytes into a 24-bit bitmap, upright.
// Throws saver::Exception with libjpeg's message on a picture it cannot
// decode, and refuses pictures beyond Bitmap::kMaxDimension or
// kMaxJpegPixels before decoding them. A picture whose data ends early is
// decoded as far as it goes (libjpeg fills the rest grey); `warning` then
// receives libjpeg's first warning.
void DecodeJpeg(std::span<const uint8_t> bytes, Bitmap& out, const JpegDecodeOptions& options = {},
                std::string* warning = nullptr);
void LoadJpegFile(const std::string& path, Bitmap& out, const JpegDecodeOptions& options = {},
                  std::string* warning = nullptr);

// How EncodeJpeg writes.
enum class JpegColourSpace : uint8_t { jcYCbCr, jcGrey, jcCmyk, jcYcck };
struct JpegEncodeOptions {
    int Quality = 90; // 1..100
    JpegColourSpace ColourSpace = JpegColourSpace::jcYCbCr;
    bool Progressive = false;
    bool Arithmetic = false;
    // Luma sampling against chroma: 2x2 is 4:2:0, 2x1 4:2:2, 1x2 4:4:0, 1x1 4:4:4.
    int HorizontalSampling = 2;
    int VerticalSampling = 2;
    int RestartRows = 0;            // a restart marker every so many MCU rows; 0 none
    std::vector<uint8_t> ExifApp1;  // written as an APP1 segment when not empty
};

// Encodes the bitmap. CMYK and YCCK are written as Adobe's writers do:
// inverted inks, no black (the colours stay those of the bitmap).
std::vector<uint8_t> EncodeJpeg(const Bitmap& bitmap, int quality = 90);
std::vector<uint8_t> EncodeJpeg(const Bitmap& bitmap, const JpegEncodeOptions& options);

// An APP1 segment's data holding only an EXIF orientation tag, in Intel
// (little-endian) or Motorola (big-endian) byte order.
std::vector<uint8_t> ExifWithOrientation(int orientation, bool bigEndian = false);

} // namespace saver
