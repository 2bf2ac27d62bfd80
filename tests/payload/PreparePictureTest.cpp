#include "saverpack/PreparePicture.h"

#include "TestFiles.h"

#include "gdi/Bitmap.h"
#include "gdi/Jpeg.h"
#include "gdi/PngFile.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <tiffio.h>
#include <webp/encode.h>

#include <cstdlib>
#include <cstring>

namespace saver::test {

TEST(FitInside, KeepsTheShapeNeverScalesUpAndFitsExactly)
{
    const PictureSize screen{1920, 1080};
    const std::pair<PictureSize, PictureSize> cases[] = {
        {{1920, 1080}, {1920, 1080}},   // fits exactly
        {{800, 600}, {800, 600}},       // smaller: never scaled up
        {{1921, 1080}, {1920, 1079}},   // one pixel too wide
        {{1920, 1081}, {1918, 1080}},   // one pixel too high
        {{6000, 4000}, {1620, 1080}},   // a camera photo
        {{4000, 6000}, {720, 1080}},    // the same standing
        {{3001, 2001}, {1620, 1080}},   // odd sizes round to the nearest pixel
        {{3840, 2160}, {1920, 1080}},   // the screen's own shape
        {{100000, 3}, {1920, 1}},       // a sliver keeps one pixel
        {{3, 100000}, {1, 1080}},
    };
    for (const auto& [picture, fitted] : cases)
        EXPECT_EQ(FitInside(picture, screen), fitted) << picture.Width << "x" << picture.Height;
}

// 32x16, four quadrants: red, green above; blue, white below.
TColor QuadrantColour(int32_t x, int32_t y, int32_t width, int32_t height)
{
    static const TColor colours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255)};
    return colours[(y >= height / 2) * 2 + (x >= width / 2)];
}

// The JPEG of an upright picture stored turned as the EXIF orientation says.
Bytes OrientedJpeg(int orientation, int32_t width, int32_t height, int sampling)
{
    const Orientation turn = Orientation::FromExif(orientation);
    const int32_t storedWidth = turn.Transpose ? height : width, storedHeight = turn.Transpose ? width : height;
    Bitmap stored(storedWidth, storedHeight, PixelFormat::pf24bit);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const Point at = turn.StoredPixel(x, y, storedWidth, storedHeight);
            stored.SetPixel(at.X, at.Y, QuadrantColour(x, y, width, height));
        }
    JpegEncodeOptions options;
    options.HorizontalSampling = options.VerticalSampling = sampling;
    options.ExifApp1 = ExifWithOrientation(orientation, orientation % 2 == 0);
    return EncodeJpeg(stored, options);
}

// Each quadrant's middle pixel shows its colour, give or take the JPEG's
// rounding.
void ExpectQuadrants(const Bitmap& picture)
{
    const int32_t w = picture.Width(), h = picture.Height();
    for (const auto& [x, y] : {std::pair{w / 4, h / 4}, {3 * w / 4, h / 4}, {w / 4, 3 * h / 4}, {3 * w / 4, 3 * h / 4}}) {
        const TColor got = picture.GetPixel(x, y), want = QuadrantColour(x, y, w, h);
        EXPECT_NEAR(GetRValue(got), GetRValue(want), 40) << x << "," << y;
        EXPECT_NEAR(GetGValue(got), GetGValue(want), 40) << x << "," << y;
        EXPECT_NEAR(GetBValue(got), GetBValue(want), 40) << x << "," << y;
    }
}

class EveryOrientation : public testing::TestWithParam<int> {};

TEST_P(EveryOrientation, StandsUprightWithoutItsTag)
{
    const Bytes jpeg = OrientedJpeg(GetParam(), 32, 16, 1);
    Bitmap shown;
    DecodeJpeg(jpeg, shown);

    // Fitting the screen: turned without decoding, so exactly the pixels
    // the runtime shows of the original.
    const PreparedPicture kept = PreparePicture(jpeg, {});
    EXPECT_EQ(kept.How, GetParam() == 1 ? Preparation::AsGiven : Preparation::Turned);
    const JpegHeaderResult header = ReadJpegHeader(kept.Jpeg);
    EXPECT_EQ(header.orientation, 1);
    EXPECT_EQ(header.width, 32);
    EXPECT_EQ(header.height, 16);
    Bitmap turned;
    DecodeJpeg(kept.Jpeg, turned);
    for (int32_t y = 0; y < 16; ++y)
        ASSERT_EQ(std::memcmp(turned.ScanLine(y), shown.ScanLine(y), 32 * 3), 0) << "row " << y;
    ExpectQuadrants(turned);

    // Larger than the screen: decoded, turned and scaled.
    const PreparedPicture scaled = PreparePicture(jpeg, {.Screen = {16, 16}});
    EXPECT_EQ(scaled.How, Preparation::Converted);
    EXPECT_EQ(ReadJpegHeader(scaled.Jpeg).orientation, 1);
    Bitmap small;
    DecodeJpeg(scaled.Jpeg, small);
    EXPECT_EQ(small.Width(), 16);
    EXPECT_EQ(small.Height(), 8);
    ExpectQuadrants(small);
}

INSTANTIATE_TEST_SUITE_P(Exif, EveryOrientation, testing::Range(1, 9));

TEST(PreparePicture, TurnsLosslesslyOnlyWhenEveryBlockIsWhole)
{
    // 4:2:0 blocks are 16x16; a quarter turn clockwise moves the bottom
    // edge, which must then end on a block.
    EXPECT_EQ(PreparePicture(OrientedJpeg(6, 16, 32, 2), {}).How, Preparation::Turned);
    const PreparedPicture cut = PreparePicture(OrientedJpeg(6, 24, 32, 2), {});
    EXPECT_EQ(cut.How, Preparation::Converted);
    EXPECT_EQ(cut.Size, (PictureSize{24, 32}));
}

TEST(PreparePicture, InksBecomeRgb)
{
    Bitmap picture(16, 16, PixelFormat::pf24bit);
    JpegEncodeOptions options;
    options.ColourSpace = JpegColourSpace::jcCmyk;
    const PreparedPicture prepared = PreparePicture(EncodeJpeg(picture, options), {});
    EXPECT_EQ(prepared.How, Preparation::Converted);
    EXPECT_EQ(ReadJpegHeader(prepared.Jpeg).components, 3);
}

// The other formats, each written by its own library (PNG by ours), with
// the colours where they belong.
struct FormatCase {
    const char* name;
    Bytes (*write)(const Bitmap& picture, const std::filesystem::path& dir);
};

// Blue, green, red rows of the bitmap, top first.
std::vector<uint8_t> PackedBgr(const Bitmap& picture)
{
    std::vector<uint8_t> rows;
    for (int32_t y = 0; y < picture.Height(); ++y)
        rows.insert(rows.end(), picture.ScanLine(y), picture.ScanLine(y) + picture.Width() * 3);
    return rows;
}

Bytes WritePng(const Bitmap& picture, const std::filesystem::path& dir)
{
    SavePng(picture, (dir / "p.png").string());
    return ReadFile(dir / "p.png");
}

Bytes WriteWebP(const Bitmap& picture, const std::filesystem::path&)
{
    const std::vector<uint8_t> rows = PackedBgr(picture);
    uint8_t* webp = nullptr;
    const size_t size = WebPEncodeLosslessBGR(rows.data(), picture.Width(), picture.Height(), picture.Width() * 3, &webp);
    Bytes bytes(webp, webp + size);
    WebPFree(webp);
    return bytes;
}

Bytes WriteBmp(const Bitmap& picture, const std::filesystem::path& dir)
{
    std::vector<uint8_t> rows = PackedBgr(picture);
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(rows.data(), picture.Width(), picture.Height(), 24,
                                                              picture.Width() * 3, SDL_PIXELFORMAT_BGR24);
    const std::string path = (dir / "p.bmp").string();
    SDL_SaveBMP(surface, path.c_str());
    SDL_FreeSurface(surface);
    return ReadFile(path);
}

Bytes WriteTiff(const Bitmap& picture, const std::filesystem::path& dir)
{
    const std::string path = (dir / "p.tif").string();
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(picture.Width()));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(picture.Height()));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    for (int32_t y = 0; y < picture.Height(); ++y) {
        std::vector<uint8_t> row;
        for (int32_t x = 0; x < picture.Width(); ++x) {
            const TColor c = picture.GetPixel(x, y);
            row.insert(row.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
        }
        TIFFWriteScanline(tiff, row.data(), uint32_t(y), 0);
    }
    TIFFClose(tiff);
    return ReadFile(path);
}

class OtherFormats : public testing::TestWithParam<FormatCase> {};

TEST_P(OtherFormats, BecomeJpegsThatFit)
{
    Bitmap picture(48, 24, PixelFormat::pf24bit);
    for (int32_t y = 0; y < 24; ++y)
        for (int32_t x = 0; x < 48; ++x)
            picture.SetPixel(x, y, QuadrantColour(x, y, 48, 24));
    const Bytes file = GetParam().write(picture, ScratchDir());
    ASSERT_EQ(PreparePicture(file, {}).Size, (PictureSize{48, 24}));
    const PreparedPicture prepared = PreparePicture(file, {.Screen = {32, 32}});
    EXPECT_EQ(prepared.How, Preparation::Converted);
    Bitmap shown;
    DecodeJpeg(prepared.Jpeg, shown);
    EXPECT_EQ(shown.Width(), 32);
    EXPECT_EQ(shown.Height(), 16);
    ExpectQuadrants(shown);

    // Cut in the middle of its pixels: refused, with the decoder's reason.
    const Bytes cut(file.begin(), file.begin() + ptrdiff_t(file.size() * 2 / 3));
    EXPECT_THROW((void)PreparePicture(cut, {}), PictureError);
}

INSTANTIATE_TEST_SUITE_P(Files, OtherFormats,
                         testing::Values(FormatCase{"Png", WritePng}, FormatCase{"WebP", WriteWebP},
                                         FormatCase{"Bmp", WriteBmp}, FormatCase{"Tiff", WriteTiff}),
                         CaseName);

TEST(PreparePicture, RefusesWhatIsNoPicture)
{
    const Bytes text = {'B', 'M', ' ', 'i', 's', ' ', 'n', 'o', 't', ' ', 'a', ' ', 'b', 'i', 't', 'm', 'a', 'p'};
    try {
        (void)PreparePicture(text, {});
        FAIL() << "accepted";
    } catch (const PictureError& e) {
        EXPECT_STREQ(e.what(), "not a picture: neither JPEG, PNG, WebP, BMP, TIFF nor HEIF by its content");
    }
}

} // namespace saver::test
