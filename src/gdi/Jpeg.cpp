#include "gdi/Jpeg.h"

#include "core/Error.h"
#include "gdi/Bitmap.h"

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
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void JpegErrorExit(j_common_ptr info)
{
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, manager->message);
    std::longjmp(manager->jump, 1);
}

extern "C" void JpegOutputMessage(j_common_ptr) {}

void InstallErrorManager(jpeg_common_struct* info, ErrorManager& manager)
{
    info->err = jpeg_std_error(&manager.base);
    manager.base.error_exit = JpegErrorExit;
    manager.base.output_message = JpegOutputMessage;
    manager.message[0] = '\0';
}

unsigned long SourceLength(size_t size)
{
    const size_t limit = std::numeric_limits<unsigned long>::max();
    return static_cast<unsigned long>(size < limit ? size : limit);
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
    jpeg_read_header(&info, TRUE);
    result->width = static_cast<int>(info.image_width);
    result->height = static_cast<int>(info.image_height);
    result->components = info.num_components;
    jpeg_destroy_decompress(&info);
    return true;
}

// Decodes into rows handed out by the bitmap, which the caller sized from
// the header. Returns false with the message on a libjpeg error.
bool DecodeRows(const uint8_t* data, size_t size, Bitmap* out, char* message)
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
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGR; // the bitmap's byte order
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out->ScanLine(int32_t(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

bool EncodeRows(const Bitmap* bitmap, const uint8_t* rgbRows, int quality, unsigned char** buffer,
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
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    const size_t stride = size_t(bitmap->Width()) * 3;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgbRows + stride * info.next_scanline);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

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

void DecodeJpeg(std::span<const uint8_t> bytes, Bitmap& out)
{
    const JpegHeaderResult header = ReadJpegHeader(bytes);
    if (!header.ok)
        throw Exception("JPEG error: " + header.error);
    if (header.width > Bitmap::kMaxDimension || header.height > Bitmap::kMaxDimension)
        throw Exception("JPEG picture too large: " + std::to_string(header.width) + "x" +
                        std::to_string(header.height));
    Bitmap decoded(header.width, header.height, PixelFormat::pf24bit);
    char message[JMSG_LENGTH_MAX] = {};
    if (!DecodeRows(bytes.data(), bytes.size(), &decoded, message))
        throw Exception(std::string("JPEG error: ") + (message[0] ? message : "cannot decode"));
    out.Assign(decoded);
}

void LoadJpegFile(const std::string& path, Bitmap& out)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw Exception("Cannot open " + path);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    DecodeJpeg(bytes, out);
}

std::vector<uint8_t> EncodeJpeg(const Bitmap& bitmap, int quality)
{
    if (bitmap.Empty())
        throw Exception("Cannot encode an empty bitmap as JPEG");
    std::vector<uint8_t> rgb(size_t(bitmap.Width()) * size_t(bitmap.Height()) * 3);
    size_t at = 0;
    for (int32_t y = 0; y < bitmap.Height(); ++y)
        for (int32_t x = 0; x < bitmap.Width(); ++x) {
            const TColor c = bitmap.GetPixel(x, y);
            rgb[at++] = GetRValue(c);
            rgb[at++] = GetGValue(c);
            rgb[at++] = GetBValue(c);
        }
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    char message[JMSG_LENGTH_MAX] = {};
    const bool ok = EncodeRows(&bitmap, rgb.data(), quality < 1 ? 1 : quality > 100 ? 100 : quality, &buffer,
                               &length, message);
    std::vector<uint8_t> jpeg;
    if (ok)
        jpeg.assign(buffer, buffer + length);
    std::free(buffer);
    if (!ok)
        throw Exception(std::string("JPEG error: ") + message);
    return jpeg;
}

} // namespace saver
