#pragma once
// Turns a picture file into what a saver stores: a JPEG the runtime shows
// upright at a size that fits the screen.
//
// JPEG, PNG, WebP, BMP, TIFF and HEIF (HEIC, and AVIF where libheif reads
// it) are read with the system's libraries. A JPEG that already fits, stands
// upright and has no CMYK inks is stored byte for byte; one that only needs
// turning is turned losslessly; every other picture is decoded, turned
// upright, scaled down to fit if it is larger than the screen (never up) and
// written as a baseline JPEG without metadata.

#include "payload/PayloadWriter.h"

#include "core/Error.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace saver {

struct PictureSize {
    int32_t Width = 0;
    int32_t Height = 0;
    bool operator==(const PictureSize&) const = default;
};

// The size a picture is stored at so that it fits inside `screen`: the
// same when it fits already, else the largest size with its aspect ratio
// (rounded, at least one pixel a side) that fits.
[[nodiscard]] PictureSize FitInside(PictureSize picture, PictureSize screen);

enum class PictureFormat { Jpeg, Png, WebP, Bmp, Tiff, Heif };

// How many leading bytes PictureFormatOf wants to see.
inline constexpr size_t kPictureSignatureBytes = 64;

// The format the leading bytes of a file announce; nothing for a file that
// is no picture we read.
[[nodiscard]] std::optional<PictureFormat> PictureFormatOf(std::span<const uint8_t> head);
[[nodiscard]] std::string_view PictureFormatName(PictureFormat format);

struct PrepareOptions {
    PictureSize Screen{1920, 1080};
    bool KeepSize = false; // store at the picture's own size
    int Quality = 90;      // of the JPEGs written, 1 to 100
};

enum class Preparation {
    AsGiven,   // the file's own bytes
    Turned,    // a JPEG turned upright losslessly
    Converted, // decoded and written anew
};

struct PreparedPicture {
    Bytes Jpeg;
    Preparation How = Preparation::AsGiven;
    PictureSize Size; // as stored, upright
};

// Why a picture cannot be used: its format's decoder's message.
class PictureError : public Exception {
public:
    using Exception::Exception;
};

// The picture as a saver stores it. Every picture is decoded in full first,
// so one that is cut off or damaged anywhere throws PictureError.
[[nodiscard]] PreparedPicture PreparePicture(std::span<const uint8_t> file, const PrepareOptions& options);

} // namespace saver
