#include "gdi/Jpeg.h"

#include "core/Error.h"
#include "core/Utf8Path.h"
#include "gdi/Bitmap.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>

#include <jpeglib.h>

namespace saver {
namespace {

// libjpeg reports fatal errors through error_exit, which by default prints
// and calls exit(). Ours jumps back to the caller with the message instead.
// Warnings (a picture cut short, stray bytes) are kept, the first one only.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    char warning[JMSG_LENGTH_MAX];
};

extern "C" void JpegErrorExit(j_common_ptr info)
{
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, manager->message);
    std::longjmp(manager->jump, 1);
}

extern "C" void JpegEmitMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return; // trace messages
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    if (manager->base.num_warnings++ == 0)
        (*info->err->format_message)(info, manager->warning);
}

void InstallErrorManager(jpeg_common_struct* info, ErrorManager& manager)
{
    info->err = jpeg_std_error(&manager.base);
    manager.base.error_exit = JpegErrorExit;
    manager.base.emit_message = JpegEmitMessage;
    manager.message[0] = '\0';
    manager.warning[0] = '\0';
}

unsigned long SourceLength(size_t size)
{
    const size_t limit = std::numeric_limits<unsigned long>::max();
    return static_cast<unsigned long>(size < limit ? size : limit);
}

constexpr int kApp1 = JPEG_APP0 + 1;
constexpr uint8_t kExifSignature[] = {'E', 'x', 'i', 'f', 0, 0};

// The orientation in the first EXIF APP1 segment libjpeg kept.
int OrientationOfMarkers(const jpeg_decompress_struct& info)
{
    for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next)
        if (m->marker == kApp1 && m->data_length >= sizeof kExifSignature &&
            std::memcmp(m->data, kExifSignature, sizeof kExifSignature) == 0)
            return ExifOrientation({m->data, m->data_length});
    return 1;
}

// Everything between setjmp and a possible longjmp is plain data, so no
// destructor is skipped; the C++ work happens in the callers.
bool ParseHeader(const uint8_t* data, size_t size, JpegHeaderResult* result, char* message)
{
    jpeg_decompress_struct info;
    ErrorManager manager;
    std::memset(&info, 0, sizeof info);
    InstallErrorManager(reinterpret_cast<jpeg_common_struct*>(&info), manager);
    if (setjmp(manager.jump)) {
        std::memcpy(message, manager.message, JMSG_LENGTH_MAX);
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, SourceLength(size));
    jpeg_save_markers(&info, kApp1, 0xFFFF);
    jpeg_read_header(&info, TRUE);
    result->width = static_cast<int>(info.image_width);
    result->height = static_cast<int>(info.image_height);
    result->components = info.num_components;
    result->orientation = OrientationOfMarkers(info);
    jpeg_destroy_decompress(&info);
    return true;
}

// Decodes the stored rectangle `crop` into `out` (24 bits, the crop's
// size): whole rows are skipped above it, and libjpeg decodes only the
// columns of iMCUs it touches. CMYK and YCCK come out as inks and are
// converted here. Returns false with the message on a libjpeg error.
bool DecodeRows(const uint8_t* data, size_t size, const Rect& crop, Bitmap* out, char* message, char* warning)
{
    jpeg_decompress_struct info;
    ErrorManager manager;
    std::memset(&info, 0, sizeof info);
    InstallErrorManager(reinterpret_cast<jpeg_common_struct*>(&info), manager);
    if (setjmp(manager.jump)) {
        std::memcpy(message, manager.message, JMSG_LENGTH_MAX);
        std::memcpy(warning, manager.warning, JMSG_LENGTH_MAX);
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, SourceLength(size));
    jpeg_read_header(&info, TRUE);
    const bool inks = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = inks ? JCS_CMYK : JCS_EXT_BGR; // the bitmap's byte order
    jpeg_start_decompress(&info);
    JDIMENSION left = JDIMENSION(crop.Left), width = JDIMENSION(crop.Width());
    if (width < info.output_width)
        jpeg_crop_scanline(&info, &left, &width);
    const size_t skipped = size_t(crop.Left) - left, components = size_t(info.output_components);
    const size_t columns = size_t(crop.Width());
    JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                               JDIMENSION(width * components), 1);
    if (crop.Top > 0)
        jpeg_skip_scanlines(&info, JDIMENSION(crop.Top));
    for (int32_t y = 0; y < crop.Height(); ++y) {
        jpeg_read_scanlines(&info, row, 1);
        const uint8_t* source = row[0] + skipped * components;
        if (inks)
            CmykToBgr(source, out->ScanLine(y), columns, info.saw_Adobe_marker);
        else
            std::memcpy(out->ScanLine(y), source, columns * 3);
    }
    // Rows below the crop are never decoded; destroying the decompressor
    // ends the reading as well as finishing it would.
    std::memcpy(warning, manager.warning, JMSG_LENGTH_MAX);
    jpeg_destroy_decompress(&info);
    return true;
}

bool EncodeRows(const Bitmap* bitmap, const uint8_t* rows, const JpegEncodeOptions* options, unsigned char** buffer,
                unsigned long* length, char* message)
{
    jpeg_compress_struct info;
    ErrorManager manager;
    std::memset(&info, 0, sizeof info);
    InstallErrorManager(reinterpret_cast<jpeg_common_struct*>(&info), manager);
    if (setjmp(manager.jump)) {
        std::memcpy(message, manager.message, JMSG_LENGTH_MAX);
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, buffer, length);
    info.image_width = JDIMENSION(bitmap->Width());
    info.image_height = JDIMENSION(bitmap->Height());
    const JpegColourSpace space = options->ColourSpace;
    const bool inks = space == JpegColourSpace::jcCmyk || space == JpegColourSpace::jcYcck;
    info.input_components = space == JpegColourSpace::jcGrey ? 1 : inks ? 4 : 3;
    info.in_color_space = space == JpegColourSpace::jcGrey ? JCS_GRAYSCALE : inks ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    if (space == JpegColourSpace::jcYcck)
        jpeg_set_colorspace(&info, JCS_YCCK);
    jpeg_set_quality(&info, std::clamp(options->Quality, 1, 100), TRUE);
    if (info.num_components > 1) {
        info.comp_info[0].h_samp_factor = std::clamp(options->HorizontalSampling, 1, 4);
        info.comp_info[0].v_samp_factor = std::clamp(options->VerticalSampling, 1, 4);
    }
    info.arith_code = options->Arithmetic ? TRUE : FALSE;
    info.restart_in_rows = std::max(options->RestartRows, 0);
    if (options->Progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    if (!options->ExifApp1.empty())
        jpeg_write_marker(&info, kApp1, options->ExifApp1.data(), unsigned(options->ExifApp1.size()));
    const size_t stride = size_t(bitmap->Width()) * size_t(info.input_components);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rows + stride * info.next_scanline);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

// A 16- or 32-bit number of the TIFF structure in its byte order.
uint32_t TiffNumber(std::span<const uint8_t> tiff, size_t at, size_t bytes, bool bigEndian)
{
    uint32_t value = 0;
    for (size_t i = 0; i < bytes; ++i) {
        const uint8_t b = tiff[at + (bigEndian ? i : bytes - 1 - i)];
        value = value << 8 | b;
    }
    return value;
}

// Refuses a header that no decoder could hold before anything is allocated.
void CheckDecodable(const JpegHeaderResult& header)
{
    if (!header.ok)
        throw Exception("JPEG error: " + header.error);
    if (header.width > Bitmap::kMaxDimension || header.height > Bitmap::kMaxDimension ||
        int64_t(header.width) * header.height > kMaxJpegPixels)
        throw Exception("JPEG picture too large: " + std::to_string(header.width) + "x" +
                        std::to_string(header.height) + " (at most " + std::to_string(kMaxJpegPixels / 1'000'000) +
                        " megapixels)");
}

// The middle `visible` pixels of a side of `size` that a centred window
// shows, as the transition control centres a picture.
std::pair<int32_t, int32_t> VisibleSpan(int32_t size, int32_t visible)
{
    if (visible <= 0 || visible >= size)
        return {0, size};
    return {-((visible - size) / 2), visible};
}

} // namespace

Orientation Orientation::FromExif(int value)
{
    // Transpose, FlipX, FlipY for the values 1 to 8.
    static constexpr Orientation kByValue[] = {{false, false, false}, {false, true, false}, {false, true, true},
                                               {false, false, true},  {true, false, false}, {true, false, true},
                                               {true, true, true},    {true, true, false}};
    return value >= 1 && value <= 8 ? kByValue[value - 1] : Orientation{};
}

Point Orientation::StoredPixel(int32_t x, int32_t y, int32_t W, int32_t H) const
{
    const int32_t alongX = Transpose ? y : x, alongY = Transpose ? x : y;
    return {FlipX ? W - 1 - alongX : alongX, FlipY ? H - 1 - alongY : alongY};
}

Rect Orientation::StoredRect(const Rect& upright, int32_t W, int32_t H) const
{
    Rect r = Transpose ? Rect{upright.Top, upright.Left, upright.Bottom, upright.Right} : upright;
    if (FlipX)
        r = {W - r.Right, r.Top, W - r.Left, r.Bottom};
    if (FlipY)
        r = {r.Left, H - r.Bottom, r.Right, H - r.Top};
    return r;
}

int JpegHeaderResult::UprightWidth() const { return Orientation::FromExif(orientation).Transpose ? height : width; }
int JpegHeaderResult::UprightHeight() const { return Orientation::FromExif(orientation).Transpose ? width : height; }

int ExifOrientation(std::span<const uint8_t> app1)
{
    constexpr uint16_t kOrientationTag = 0x0112, kShortType = 3;
    constexpr size_t kEntrySize = 12;
    if (app1.size() < sizeof kExifSignature + 8 || std::memcmp(app1.data(), kExifSignature, sizeof kExifSignature))
        return 1;
    const std::span<const uint8_t> tiff = app1.subspan(sizeof kExifSignature);
    const bool bigEndian = tiff[0] == 'M' && tiff[1] == 'M';
    if (!bigEndian && !(tiff[0] == 'I' && tiff[1] == 'I'))
        return 1;
    if (TiffNumber(tiff, 2, 2, bigEndian) != 42)
        return 1;
    const size_t directory = TiffNumber(tiff, 4, 4, bigEndian);
    if (directory > tiff.size() - 2)
        return 1;
    const size_t entries = TiffNumber(tiff, directory, 2, bigEndian);
    for (size_t i = 0; i < entries; ++i) {
        const size_t at = directory + 2 + i * kEntrySize;
        if (at + kEntrySize > tiff.size())
            break;
        if (TiffNumber(tiff, at, 2, bigEndian) != kOrientationTag)
            continue;
        if (TiffNumber(tiff, at + 2, 2, bigEndian) != kShortType || TiffNumber(tiff, at + 4, 4, bigEndian) != 1)
            return 1;
        const uint32_t value = TiffNumber(tiff, at + 8, 2, bigEndian);
        return value >= 1 && value <= 8 ? int(value) : 1;
    }
    return 1;
}

void CmykToBgr(const uint8_t* cmyk, uint8_t* bgr, size_t count, bool inverted)
{
    // With the inks as amounts of white (255 - ink), a channel is
    // white(colour ink) x white(black) / 255, rounded.
    const uint8_t flip = inverted ? 0 : 255;
    for (size_t i = 0; i < count; ++i, cmyk += 4, bgr += 3) {
        const unsigned k = uint8_t(cmyk[3] ^ flip);
        for (int c = 0; c < 3; ++c)
            bgr[2 - c] = uint8_t((uint8_t(cmyk[c] ^ flip) * k + 127) / 255);
    }
}

JpegHeaderResult ReadJpegHeader(std::span<const uint8_t> bytes)
{
    JpegHeaderResult result;
    if (bytes.empty()) {
        result.error = "Empty JPEG data";
        return result;
    }
    char message[JMSG_LENGTH_MAX] = {};
    result.ok = ParseHeader(bytes.data(), bytes.size(), &result, message);
    if (!result.ok)
        result.error = message[0] ? message : "Invalid JPEG header";
    return result;
}

void DecodeJpeg(std::span<const uint8_t> bytes, Bitmap& out, const JpegDecodeOptions& options, std::string* warning)
{
    const JpegHeaderResult header = ReadJpegHeader(bytes);
    CheckDecodable(header);
    const Orientation orientation = Orientation::FromExif(header.orientation);
    const auto [left, width] = VisibleSpan(header.UprightWidth(), options.VisibleWidth);
    const auto [top, height] = VisibleSpan(header.UprightHeight(), options.VisibleHeight);
    const Rect upright{left, top, left + width, top + height};
    const Rect stored = orientation.StoredRect(upright, header.width, header.height);
    Bitmap decoded(stored.Width(), stored.Height(), PixelFormat::pf24bit);
    char message[JMSG_LENGTH_MAX] = {}, firstWarning[JMSG_LENGTH_MAX] = {};
    if (!DecodeRows(bytes.data(), bytes.size(), stored, &decoded, message, firstWarning))
        throw Exception(std::string("JPEG error: ") + (message[0] ? message : "cannot decode"));
    if (warning)
        *warning = firstWarning;
    TurnUpright(decoded, orientation, out);
}

void TurnUpright(const Bitmap& stored, const Orientation& orientation, Bitmap& upright)
{
    if (!orientation.Transpose && !orientation.FlipX && !orientation.FlipY) {
        upright.Assign(stored);
        return;
    }
    if (stored.GetPixelFormat() != PixelFormat::pf24bit)
        throw Exception("Only a 24-bit bitmap can be turned upright");
    const int32_t width = orientation.Transpose ? stored.Height() : stored.Width();
    const int32_t height = orientation.Transpose ? stored.Width() : stored.Height();
    Bitmap turned(width, height, PixelFormat::pf24bit);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = turned.ScanLine(y);
        for (int32_t x = 0; x < width; ++x) {
            const Point from = orientation.StoredPixel(x, y, stored.Width(), stored.Height());
            std::memcpy(row + size_t(x) * 3, stored.ScanLine(from.Y) + size_t(from.X) * 3, 3);
        }
    }
    upright.Assign(turned);
}

void LoadJpegFile(const std::string& path, Bitmap& out, const JpegDecodeOptions& options, std::string* warning)
{
    std::ifstream file(Utf8Path(path), std::ios::binary);
    if (!file)
        throw Exception("Cannot open " + path);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    DecodeJpeg(bytes, out, options, warning);
}

std::vector<uint8_t> EncodeJpeg(const Bitmap& bitmap, int quality)
{
    JpegEncodeOptions options;
    options.Quality = quality;
    return EncodeJpeg(bitmap, options);
}

std::vector<uint8_t> EncodeJpeg(const Bitmap& bitmap, const JpegEncodeOptions& options)
{
    if (bitmap.Empty())
        throw Exception("Cannot encode an empty bitmap as JPEG");
    const JpegColourSpace space = options.ColourSpace;
    const bool inks = space == JpegColourSpace::jcCmyk || space == JpegColourSpace::jcYcck;
    const size_t components = space == JpegColourSpace::jcGrey ? 1 : inks ? 4 : 3;
    std::vector<uint8_t> rows(size_t(bitmap.Width()) * size_t(bitmap.Height()) * components);
    size_t at = 0;
    for (int32_t y = 0; y < bitmap.Height(); ++y)
        for (int32_t x = 0; x < bitmap.Width(); ++x) {
            const TColor c = bitmap.GetPixel(x, y);
            if (components == 1) {
                rows[at++] = uint8_t((GetRValue(c) * 77 + GetGValue(c) * 150 + GetBValue(c) * 29 + 128) >> 8);
                continue;
            }
            // Inverted inks without black: the stored values are the colour's own.
            rows[at++] = GetRValue(c);
            rows[at++] = GetGValue(c);
            rows[at++] = GetBValue(c);
            if (inks)
                rows[at++] = 255;
        }
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    char message[JMSG_LENGTH_MAX] = {};
    const bool ok = EncodeRows(&bitmap, rows.data(), &options, &buffer, &length, message);
    std::vector<uint8_t> jpeg;
    if (ok)
        jpeg.assign(buffer, buffer + length);
    std::free(buffer);
    if (!ok)
        throw Exception(std::string("JPEG error: ") + message);
    return jpeg;
}

std::vector<uint8_t> ExifWithOrientation(int orientation, bool bigEndian)
{
    std::vector<uint8_t> app1(std::begin(kExifSignature), std::end(kExifSignature));
    const auto put = [&](uint32_t value, size_t bytes) {
        for (size_t i = 0; i < bytes; ++i)
            app1.push_back(uint8_t(value >> (8 * (bigEndian ? bytes - 1 - i : i))));
    };
    app1.push_back(bigEndian ? 'M' : 'I');
    app1.push_back(bigEndian ? 'M' : 'I');
    put(42, 2);
    put(8, 4); // the first directory right after the header
    put(1, 2); // one entry: the orientation, a SHORT
    put(0x0112, 2);
    put(3, 2);
    put(1, 4);
    put(uint32_t(orientation), 2);
    put(0, 2);
    put(0, 4); // no next directory
    return app1;
}

} // namespace saver
