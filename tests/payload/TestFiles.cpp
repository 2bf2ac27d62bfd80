#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include <jpeglib.h>

namespace saver::test {

std::filesystem::path ScratchDir()
{
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    std::replace(name.begin(), name.end(), '/', '_');
    const auto dir = std::filesystem::path(SAVER_BINARY_DIR) / "test-output" / "payload" / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

void WriteFile(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

Bytes ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes TinyJpeg(size_t size)
{
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&info, &buffer, &length);
    info.image_width = 8;
    info.image_height = 8;
    info.input_components = 1;
    info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    JSAMPLE row[8] = {0, 32, 64, 96, 128, 160, 192, 224};
    JSAMPROW rows[1] = {row};
    while (info.next_scanline < info.image_height)
        jpeg_write_scanlines(&info, rows, 1);
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes jpeg(buffer, buffer + length);
    std::free(buffer);
    if (jpeg.size() < size)
        jpeg.resize(size, 0xEE);
    return jpeg;
}

Bytes Pattern(size_t size, uint8_t seed)
{
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + seed);
    return bytes;
}

Bytes FlashMovie(size_t size)
{
    Bytes movie = Pattern(std::max<size_t>(size, 3), 3);
    std::copy_n("CWS", 3, movie.begin());
    return movie;
}

std::filesystem::path WriteSaver(const std::filesystem::path& dir, const PayloadDescription& payload,
                                 size_t runtimeSize)
{
    WriteFile(dir / "runtime.exe", Pattern(runtimeSize, 1));
    WritePayloadFile(dir / "runtime.exe", dir / "saver.scr", payload);
    return dir / "saver.scr";
}

uint32_t LittleEndian32(std::span<const uint8_t> bytes, size_t offset)
{
    if (offset + 4 > bytes.size())
        throw std::out_of_range("LittleEndian32 past the end");
    return uint32_t{bytes[offset]} | uint32_t{bytes[offset + 1]} << 8 | uint32_t{bytes[offset + 2]} << 16 |
           uint32_t{bytes[offset + 3]} << 24;
}

} // namespace saver::test
