#pragma once
// A device-independent bitmap with the platform's memory layout: rows stored
// bottom-up, each padded to a multiple of 4 bytes, pixels blue-green-red.
// ScanLine(y) is the only way to reach a row, so callers never see the
// bottom-up order. Every bitmap carries its own canvas.

#include "core/Color.h"
#include "core/FrameMemory.h"
#include "core/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace saver {

class Canvas;

// Pixel storage: a frame-sized block is offered large pages before its
// pixels are first written (see AdviseLargePages).
template <class T>
struct PixelAllocator {
    using value_type = T;
    PixelAllocator() = default;
    template <class U>
    PixelAllocator(const PixelAllocator<U>&) noexcept
    {
    }
    T* allocate(size_t n)
    {
        T* p = std::allocator<T>().allocate(n);
        AdviseLargePages(p, n * sizeof(T));
        return p;
    }
    void deallocate(T* p, size_t n) noexcept { std::allocator<T>().deallocate(p, n); }
    friend bool operator==(const PixelAllocator&, const PixelAllocator&) { return true; }
};

enum class PixelFormat {
    pf8bit,   // one byte a pixel, grey palette (index i is grey level i)
    pf24bit,  // blue, green, red
    pf32bit,  // blue, green, red, unused
    pfDevice, // the display's format; shares the 32-bit layout
};

int BitsPerPixel(PixelFormat format);

class Bitmap {
public:
    // Largest accepted width or height; sizes beyond it are refused before
    // anything is allocated.
    static constexpr int32_t kMaxDimension = 32768;

    explicit Bitmap(PixelFormat format = PixelFormat::pfDevice);
    Bitmap(int32_t width, int32_t height, PixelFormat format = PixelFormat::pfDevice);
    ~Bitmap();
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    [[nodiscard]] int32_t Width() const { return m_width; }
    [[nodiscard]] int32_t Height() const { return m_height; }
    [[nodiscard]] bool Empty() const { return m_width == 0 || m_height == 0; }
    [[nodiscard]] PixelFormat GetPixelFormat() const { return m_format; }
    [[nodiscard]] size_t Stride() const { return m_stride; }

    // Resizes; the picture is not kept (new pixels are black). Throws
    // saver::Exception on a negative or absurd size.
    void SetSize(int32_t width, int32_t height);
    // Switches the storage format, converting the picture.
    void SetPixelFormat(PixelFormat format);

    // Row y counted from the top, 0 <= y < Height(); throws otherwise.
    [[nodiscard]] uint8_t* ScanLine(int32_t y);
    [[nodiscard]] const uint8_t* ScanLine(int32_t y) const;

    // Pixel access in colour values, for tests and slow paths.
    [[nodiscard]] TColor GetPixel(int32_t x, int32_t y) const;
    void SetPixel(int32_t x, int32_t y, TColor color);

    Canvas& GetCanvas();

    // Copies size, format and pixels.
    void Assign(const Bitmap& other);

private:
    void Allocate(int32_t width, int32_t height, PixelFormat format);

    int32_t m_width = 0;
    int32_t m_height = 0;
    PixelFormat m_format;
    size_t m_stride = 0;
    std::vector<uint8_t, PixelAllocator<uint8_t>> m_pixels;
    std::unique_ptr<Canvas> m_canvas;
};

// Bytes per row for a width and format, padded to 4; throws on overflow.
size_t RowStride(int32_t width, PixelFormat format);

} // namespace saver
