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

struct MusicCase {
    const char* name;
    std::string bytes;
    int type; // the type byte, -1 for none
};

class MusicContent : public testing::TestWithParam<MusicCase> {};

TEST_P(MusicContent, GivesTheTypeOrNothing)
{
    const std::string& text = GetParam().bytes;
    const std::optional<uint8_t> type =
        MusicTypeOfContent(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    EXPECT_EQ(type ? int{*type} : -1, GetParam().type);
}

// An ID3v2 tag holding `size` bytes (synchsafe 0 0 0 size), then `rest`.
std::string Id3(char size, const std::string& rest)
{
    return std::string("ID3\x04\x00\x00\x00\x00\x00", 9) + size + std::string(size_t(size), 'T') + rest;
}

const std::string Frame("\xFF\xFB\x90\x64", 4); // MPEG-1 layer III, 128 kbit/s, 44.1 kHz

INSTANTIATE_TEST_SUITE_P(
    Inputs, MusicContent,
    testing::Values(MusicCase{"Midi", std::string("MThd\0\0\0\x06", 8), MusicTypeMidi},
                    MusicCase{"Wav", std::string("RIFF\x24\0\0\0WAVEfmt ", 16), MusicTypeWav},
                    MusicCase{"RiffButNotWave", std::string("RIFF\x24\0\0\0AVI LIST", 16), -1},
                    MusicCase{"Mp3Frame", Frame, MusicTypeMp3},
                    MusicCase{"SyncOneBitShort", std::string("\xFF\xDB\x90\x64", 4), -1},
                    MusicCase{"ReservedBitRate", std::string("\xFF\xFB\xF0\x64", 4), -1},
                    MusicCase{"FrameCutShort", Frame.substr(0, 3), -1},
                    MusicCase{"Id3ThenFrame", Id3(5, Frame), MusicTypeMp3},
                    MusicCase{"Id3ThenText", Id3(5, "just text"), -1},
                    MusicCase{"Id3FrameOneByteLate", Id3(5, "x" + Frame), -1},
                    MusicCase{"Text", "just a text file named .mp3\n", -1}),
    CaseName);

} // namespace saver::test
