#include "payload/JpegHeader.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>

namespace saver::test {

TEST(JpegHeader, ReadsTheHeaderAndIgnoresWhatFollowsTheImage)
{
    // Padding stands for later pictures and the trailer, as in an extracted file.
    const JpegHeaderResult result = ReadJpegHeader(TinyJpeg(5000));
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.width, 8);
    EXPECT_EQ(result.height, 8);
    EXPECT_EQ(result.components, 1);
}

struct BadJpeg {
    const char* name;
    Bytes bytes;
};

class JpegHeaderRejects : public testing::TestWithParam<BadJpeg> {};

TEST_P(JpegHeaderRejects, WithLibjpegsMessageAndWithoutEndingTheProcess)
{
    const JpegHeaderResult result = ReadJpegHeader(GetParam().bytes);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.empty());
}

Bytes CutJpeg()
{
    Bytes jpeg = TinyJpeg();
    jpeg.resize(30); // inside the quantisation table
    return jpeg;
}

INSTANTIATE_TEST_SUITE_P(Inputs, JpegHeaderRejects,
                         testing::Values(BadJpeg{"Empty", {}}, BadJpeg{"FlashMovie", FlashMovie(100)},
                                         BadJpeg{"StartOfImageOnly", {0xFF, 0xD8}}, BadJpeg{"Truncated", CutJpeg()},
                                         BadJpeg{"NoImage", {0xFF, 0xD8, 0xFF, 0xD9}}),
                         CaseName);

TEST(FlashSignatures, AreFwsCwsAndZws)
{
    for (const char* movie : {"FWS\x09", "CWS", "ZWS\x0A"})
        EXPECT_TRUE(IsFlashMovie(std::span(reinterpret_cast<const uint8_t*>(movie), 3))) << movie;
    for (const char* other : {"fws\x09", "AWS\x09", "FW", "\xFF\xD8\xFF"})
        EXPECT_FALSE(IsFlashMovie(std::span(reinterpret_cast<const uint8_t*>(other), std::strlen(other)))) << other;
}

} // namespace saver::test
