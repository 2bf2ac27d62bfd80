#include "gdi/Bitmap.h"
#include "gdi/Jpeg.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

using namespace saver;

namespace {

// A picture whose corners all differ, so a flip or a swapped channel shows.
std::unique_ptr<Bitmap> Gradient(int32_t w, int32_t h)
{
    auto b = std::make_unique<Bitmap>(w, h, PixelFormat::pf24bit);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            b->SetPixel(x, y, RGB(uint8_t(x * 255 / (w - 1)), uint8_t(y * 255 / (h - 1)), 128));
    return b;
}

} // namespace

TEST(Jpeg, RoundTripKeepsSizeAndColoursClose)
{
    const auto originalPtr = Gradient(40, 30);
    const Bitmap& original = *originalPtr;
    const std::vector<uint8_t> jpeg = EncodeJpeg(original, 95);
    const JpegHeaderResult header = ReadJpegHeader(jpeg);
    ASSERT_TRUE(header.ok) << header.error;
    EXPECT_EQ(header.width, 40);
    EXPECT_EQ(header.height, 30);
    EXPECT_EQ(header.components, 3);

    Bitmap decoded;
    DecodeJpeg(jpeg, decoded);
    ASSERT_EQ(decoded.Width(), 40);
    ASSERT_EQ(decoded.Height(), 30);
    EXPECT_EQ(decoded.GetPixelFormat(), PixelFormat::pf24bit);
    // Orientation and channel order: corners keep their colours.
    for (auto [x, y] : {std::pair{0, 0}, {39, 0}, {0, 29}, {39, 29}, {20, 15}}) {
        const TColor a = original.GetPixel(x, y), b = decoded.GetPixel(x, y);
        EXPECT_LE(std::abs(GetRValue(a) - GetRValue(b)), 8) << x << "," << y;
        EXPECT_LE(std::abs(GetGValue(a) - GetGValue(b)), 8) << x << "," << y;
        EXPECT_LE(std::abs(GetBValue(a) - GetBValue(b)), 8) << x << "," << y;
    }
}

TEST(Jpeg, BytesAfterTheImageAreIgnored)
{
    std::vector<uint8_t> jpeg = EncodeJpeg(*Gradient(8, 8));
    jpeg.resize(jpeg.size() + 600, 0x5A); // as when a picture is followed by the trailer
    Bitmap decoded;
    DecodeJpeg(jpeg, decoded);
    EXPECT_EQ(decoded.Width(), 8);
}

TEST(Jpeg, DamagedDataFailsWithLibjpegsMessage)
{
    const std::vector<uint8_t> notJpeg = {'G', 'I', 'F', '8', '9', 'a', 0, 0};
    const JpegHeaderResult header = ReadJpegHeader(notJpeg);
    EXPECT_FALSE(header.ok);
    EXPECT_FALSE(header.error.empty());
    Bitmap b;
    EXPECT_THROW(DecodeJpeg(notJpeg, b), std::exception);
    EXPECT_FALSE(ReadJpegHeader({}).ok);

    // A valid header with the scan data cut off still fails cleanly.
    std::vector<uint8_t> truncated = EncodeJpeg(*Gradient(256, 256));
    truncated.resize(truncated.size() * 2 / 3);
    EXPECT_TRUE(ReadJpegHeader(truncated).ok);
    Bitmap partial;
    try {
        DecodeJpeg(truncated, partial); // libjpeg may pad a short scan; then the size is right
        EXPECT_EQ(partial.Width(), 256);
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("JPEG"), std::string::npos);
    }
}

TEST(Jpeg, MissingFileIsAClearError)
{
    Bitmap b;
    try {
        LoadJpegFile("/nonexistent/picture.jpg", b);
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent/picture.jpg"), std::string::npos);
    }
}
