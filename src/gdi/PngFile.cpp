#include "gdi/PngFile.h"

#include "core/Error.h"
#include "gdi/Bitmap.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace saver {

void SavePng(const Bitmap& bitmap, const std::string& path)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file)
        throw Exception("Cannot create " + path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        throw Exception("Out of memory writing " + path);
    }
    std::vector<uint8_t> row(size_t(bitmap.Width()) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw Exception("Cannot write " + path);
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, uint32_t(bitmap.Width()), uint32_t(bitmap.Height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 1);
    png_write_info(png, info);
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        for (int32_t x = 0; x < bitmap.Width(); ++x) {
            const TColor c = bitmap.GetPixel(x, y);
            row[size_t(x) * 3] = GetRValue(c);
            row[size_t(x) * 3 + 1] = GetGValue(c);
            row[size_t(x) * 3 + 2] = GetBValue(c);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
}

} // namespace saver
