#include "gdi/Bitmap.h"
#include "gdi/Jpeg.h"

#include <gtest/gtest.h>

#include <array>
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

// ------------------------------------------------- what cameras and editors write

namespace {

// Four flat quarters on 16-pixel blocks, so compression keeps each colour
// close at the quarter's centre.
constexpr TColor kQuarters[4] = {RGB(200, 30, 40), RGB(30, 160, 60), RGB(40, 70, 210), RGB(230, 220, 90)};

std::unique_ptr<Bitmap> Quarters(int32_t w = 64, int32_t h = 48)
{
    auto b = std::make_unique<Bitmap>(w, h, PixelFormat::pf24bit);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            b->SetPixel(x, y, kQuarters[(y >= h / 2) * 2 + (x >= w / 2)]);
    return b;
}

int Grey(TColor c) { return (GetRValue(c) * 77 + GetGValue(c) * 150 + GetBValue(c) * 29 + 128) >> 8; }

void ExpectClose(TColor expected, TColor actual, int tolerance, const std::string& where)
{
    EXPECT_LE(std::abs(GetRValue(expected) - GetRValue(actual)), tolerance) << where;
    EXPECT_LE(std::abs(GetGValue(expected) - GetGValue(actual)), tolerance) << where;
    EXPECT_LE(std::abs(GetBValue(expected) - GetBValue(actual)), tolerance) << where;
}

struct JpegKind {
    const char* Name;
    JpegEncodeOptions Options;
};

JpegEncodeOptions Kind(JpegColourSpace space, int h = 2, int v = 2, bool progressive = false, bool arithmetic = false,
                       int restartRows = 0)
{
    JpegEncodeOptions o;
    o.ColourSpace = space;
    o.HorizontalSampling = h;
    o.VerticalSampling = v;
    o.Progressive = progressive;
    o.Arithmetic = arithmetic;
    o.RestartRows = restartRows;
    return o;
}

void PrintTo(const JpegKind& k, std::ostream* os) { *os << k.Name; }

class JpegKinds : public testing::TestWithParam<JpegKind> {};

TEST_P(JpegKinds, DecodeInTrueColours)
{
    const JpegKind& kind = GetParam();
    const std::vector<uint8_t> jpeg = EncodeJpeg(*Quarters(), kind.Options);
    Bitmap decoded;
    DecodeJpeg(jpeg, decoded);
    ASSERT_EQ(decoded.Width(), 64);
    ASSERT_EQ(decoded.Height(), 48);
    const bool grey = kind.Options.ColourSpace == JpegColourSpace::jcGrey;
    for (int q = 0; q < 4; ++q) {
        const int32_t x = 16 + 32 * (q % 2), y = 12 + 24 * (q / 2);
        const TColor expected = grey ? RGB(Grey(kQuarters[q]), Grey(kQuarters[q]), Grey(kQuarters[q])) : kQuarters[q];
        ExpectClose(expected, decoded.GetPixel(x, y), 8, "quarter " + std::to_string(q));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Written, JpegKinds,
    testing::Values(JpegKind{"Baseline420", Kind(JpegColourSpace::jcYCbCr)},
                    JpegKind{"Baseline444", Kind(JpegColourSpace::jcYCbCr, 1, 1)},
                    JpegKind{"Baseline422", Kind(JpegColourSpace::jcYCbCr, 2, 1)},
                    JpegKind{"Baseline440", Kind(JpegColourSpace::jcYCbCr, 1, 2)},
                    JpegKind{"Progressive", Kind(JpegColourSpace::jcYCbCr, 2, 2, true)},
                    JpegKind{"Arithmetic", Kind(JpegColourSpace::jcYCbCr, 2, 2, false, true)},
                    JpegKind{"RestartMarkers", Kind(JpegColourSpace::jcYCbCr, 2, 2, false, false, 1)},
                    JpegKind{"Grey", Kind(JpegColourSpace::jcGrey)},
                    JpegKind{"AdobeCmyk", Kind(JpegColourSpace::jcCmyk, 1, 1)},
                    JpegKind{"AdobeYcck", Kind(JpegColourSpace::jcYcck)},
                    JpegKind{"ProgressiveCmyk", Kind(JpegColourSpace::jcCmyk, 1, 1, true)}),
    [](const testing::TestParamInfo<JpegKind>& info) { return std::string(info.param.Name); });

TEST(CmykToBgr, PlainAndInvertedInksGiveTheSameColours)
{
    struct Case {
        uint8_t C, M, Y, K; // inks, 0 none
        uint8_t R, G, B;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 255, 255, 255},     // paper
        {255, 0, 0, 0, 0, 255, 255},     // cyan
        {0, 0, 0, 255, 0, 0, 0},         // black ink alone
        {0, 127, 252, 127, 128, 64, 2},  // 128 x 128 / 255 = 64.25; 3 x 128 / 255 = 1.51 rounds up
        {254, 0, 0, 0, 1, 255, 255},
    };
    for (const Case& c : cases) {
        const uint8_t plain[4] = {c.C, c.M, c.Y, c.K};
        const uint8_t inverted[4] = {uint8_t(255 - c.C), uint8_t(255 - c.M), uint8_t(255 - c.Y), uint8_t(255 - c.K)};
        uint8_t bgr[3];
        CmykToBgr(plain, bgr, 1, false);
        EXPECT_EQ((std::array{bgr[2], bgr[1], bgr[0]}), (std::array{c.R, c.G, c.B})) << int(c.M) << " plain";
        CmykToBgr(inverted, bgr, 1, true);
        EXPECT_EQ((std::array{bgr[2], bgr[1], bgr[0]}), (std::array{c.R, c.G, c.B})) << int(c.M) << " inverted";
    }
}

// A 3 x 2 picture of six flat 8-pixel cells, A B C over D E F: every EXIF
// orientation must show it upright as an image viewer does.
class JpegOrientation : public testing::TestWithParam<std::pair<int, const char*>> {};

TEST_P(JpegOrientation, TurnsThePictureUpright)
{
    constexpr TColor kCells[6] = {RGB(220, 20, 20), RGB(20, 200, 20), RGB(20, 20, 220),
                                  RGB(230, 230, 30), RGB(30, 220, 220), RGB(220, 30, 220)};
    Bitmap stored(24, 16, PixelFormat::pf24bit);
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 24; ++x)
            stored.SetPixel(x, y, kCells[(y / 8) * 3 + x / 8]);
    const auto [orientation, upright] = GetParam();
    JpegEncodeOptions options;
    options.Quality = 100;
    options.HorizontalSampling = options.VerticalSampling = 1;
    options.ExifApp1 = ExifWithOrientation(orientation, orientation % 2 == 0);
    const std::vector<uint8_t> jpeg = EncodeJpeg(stored, options);
    EXPECT_EQ(ReadJpegHeader(jpeg).orientation, orientation);

    Bitmap decoded;
    DecodeJpeg(jpeg, decoded);
    const bool turned = std::string(upright).find('/') == 2; // two cells a row
    ASSERT_EQ(decoded.Width(), turned ? 16 : 24);
    ASSERT_EQ(decoded.Height(), turned ? 24 : 16);
    int32_t x = 0, y = 0;
    for (const char* cell = upright; *cell; ++cell) {
        if (*cell == '/') {
            x = 0, ++y;
            continue;
        }
        ExpectClose(kCells[*cell - 'A'], decoded.GetPixel(x * 8 + 4, y * 8 + 4),
                    8, std::string("cell ") + *cell);
        ++x;
    }
}

INSTANTIATE_TEST_SUITE_P(AllEight, JpegOrientation,
                         testing::Values(std::pair{1, "ABC/DEF"}, std::pair{2, "CBA/FED"}, std::pair{3, "FED/CBA"},
                                         std::pair{4, "DEF/ABC"}, std::pair{5, "AD/BE/CF"}, std::pair{6, "DA/EB/FC"},
                                         std::pair{7, "FC/EB/DA"}, std::pair{8, "CF/BE/AD"}),
                         [](const auto& info) { return "Orientation" + std::to_string(info.param.first); });

TEST(ExifOrientation, ReadsOnlyAWellFormedTag)
{
    EXPECT_EQ(ExifOrientation(ExifWithOrientation(6)), 6);
    EXPECT_EQ(ExifOrientation(ExifWithOrientation(8, true)), 8);
    EXPECT_EQ(ExifOrientation(ExifWithOrientation(9)), 1); // no such orientation
    EXPECT_EQ(ExifOrientation(ExifWithOrientation(0)), 1);
    std::vector<uint8_t> app1 = ExifWithOrientation(6);
    EXPECT_EQ(ExifOrientation({app1.data(), app1.size() - 4}), 6);  // the next-directory link is not needed
    EXPECT_EQ(ExifOrientation({app1.data(), app1.size() - 5}), 1);  // the entry is cut
    app1[10] = 0x2B;                                                  // not a TIFF structure
    EXPECT_EQ(ExifOrientation(app1), 1);
    EXPECT_EQ(ExifOrientation({}), 1);
}

// Only the middle a centred window shows is decoded, with the pixels the
// whole picture has there (give or take the rounding of libjpeg's
// upsampling at the cut), as the control centres it: (window - size) / 2.
// The gradient moves about 4 levels a pixel, so a shifted window shows.
TEST(JpegVisiblePart, IsTheMiddleOfTheUprightPicture)
{
    JpegEncodeOptions options;
    options.ExifApp1 = ExifWithOrientation(6);
    const std::vector<uint8_t> jpeg = EncodeJpeg(*Gradient(61, 40), options); // upright 40 x 61
    Bitmap whole;
    DecodeJpeg(jpeg, whole);
    ASSERT_EQ(whole.Width(), 40);
    struct Window {
        int32_t W, H, ExpectW, ExpectH, Left, Top;
    };
    for (const Window w : {Window{40, 61, 40, 61, 0, 0}, Window{41, 62, 40, 61, 0, 0}, Window{39, 60, 39, 60, 0, 0},
                           Window{21, 30, 21, 30, 9, 15}, Window{1, 1, 1, 1, 19, 30}, Window{0, 10, 40, 10, 0, 25}}) {
        Bitmap part;
        DecodeJpeg(jpeg, part, {w.W, w.H});
        ASSERT_EQ(part.Width(), w.ExpectW) << w.W;
        ASSERT_EQ(part.Height(), w.ExpectH) << w.H;
        for (const auto& [x, y] : {std::pair{0, 0}, {w.ExpectW - 1, w.ExpectH - 1}, {w.ExpectW / 2, 0}})
            ExpectClose(whole.GetPixel(w.Left + x, w.Top + y), part.GetPixel(x, y), 2,
                        std::to_string(w.W) + "x" + std::to_string(w.H));
    }
}

// A header that claims more than the pixel budget is refused before any
// pixel is decoded; exactly the budget is decoded (here only a visible
// corner of it, whose data is missing and comes out grey with a warning).
TEST(JpegBudget, RefusesPicturesBeyondAHundredMegapixels)
{
    const auto withSize = [](int32_t w, int32_t h) {
        std::vector<uint8_t> jpeg = EncodeJpeg(*Gradient(16, 16));
        for (size_t i = 0; i + 8 < jpeg.size(); ++i)
            if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) { // the frame header: height, then width
                jpeg[i + 5] = uint8_t(h >> 8), jpeg[i + 6] = uint8_t(h);
                jpeg[i + 7] = uint8_t(w >> 8), jpeg[i + 8] = uint8_t(w);
                break;
            }
        return jpeg;
    };
    Bitmap b;
    std::string warning;
    DecodeJpeg(withSize(10000, 10000), b, {16, 16}, &warning);
    EXPECT_EQ(b.Width(), 16);
    EXPECT_FALSE(warning.empty());
    try {
        DecodeJpeg(withSize(10000, 10001), b, {16, 16});
        FAIL() << "decoded beyond the budget";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos) << e.what();
    }
}

TEST(Jpeg, APictureCutAfterItsFirstScanIsDrawnAsFarAsItGoesWithAWarning)
{
    std::vector<uint8_t> jpeg = EncodeJpeg(*Gradient(256, 256));
    jpeg.resize(jpeg.size() / 2);
    Bitmap decoded;
    std::string warning;
    DecodeJpeg(jpeg, decoded, {}, &warning);
    EXPECT_EQ(decoded.Height(), 256);
    EXPECT_NE(warning, "");
    ExpectClose(RGB(128, 4, 128), decoded.GetPixel(128, 4), 8, "the top");
    ExpectClose(RGB(128, 128, 128), decoded.GetPixel(128, 250), 8, "the missing bottom");
}

} // namespace
