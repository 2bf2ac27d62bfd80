#include "payload/JpegHeader.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
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

// Plain data only between setjmp and longjmp: no destructor can be skipped.
bool ParseHeader(const uint8_t* data, size_t size, JpegHeaderResult* result, char* message)
{
    jpeg_decompress_struct info;
    ErrorManager manager;
    std::memset(&info, 0, sizeof info);
    info.err = jpeg_std_error(&manager.base);
    manager.base.error_exit = JpegErrorExit;
    manager.base.output_message = JpegOutputMessage;
    manager.message[0] = '\0';

    if (setjmp(manager.jump)) {
        std::memcpy(message, manager.message, JMSG_LENGTH_MAX);
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    // The header sits at the start; a block longer than libjpeg can address
    // is simply cut for the parse.
    const size_t limit = std::numeric_limits<unsigned long>::max();
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size < limit ? size : limit));
    jpeg_read_header(&info, TRUE);
    result->width = static_cast<int>(info.image_width);
    result->height = static_cast<int>(info.image_height);
    result->components = info.num_components;
    jpeg_destroy_decompress(&info);
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

bool IsFlashMovie(std::span<const uint8_t> bytes)
{
    if (bytes.size() < 3 || bytes[1] != 'W' || bytes[2] != 'S')
        return false;
    return bytes[0] == 'F' || bytes[0] == 'C' || bytes[0] == 'Z';
}

} // namespace saver
