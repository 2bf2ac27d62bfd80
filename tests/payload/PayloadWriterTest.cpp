#include "payload/PayloadWriter.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

namespace saver::test {

struct LimitCase {
    const char* name;
    PayloadKind kind;
    int items;
    int music;
    std::optional<int32_t> itemCount;
    bool allowed;
};

class WriterLimits : public testing::TestWithParam<LimitCase> {};

TEST_P(WriterLimits, RefusesLayoutsBeyondTheTrailerUnlessUnchecked)
{
    const LimitCase& c = GetParam();
    PayloadDescription d{.kind = c.kind, .items = std::vector<Bytes>(c.items), .itemCount = c.itemCount};
    d.music.resize(c.music);
    if (c.allowed) {
        EXPECT_NO_THROW(BuildTrailer(d));
        return;
    }
    EXPECT_THROW(BuildTrailer(d), PayloadError);
    d.check = LayoutCheck::Unchecked;
    EXPECT_NO_THROW(BuildTrailer(d));
}

INSTANTIATE_TEST_SUITE_P(Layouts, WriterLimits,
                         testing::Values(LimitCase{"FullSizeArea", PayloadKind::Picture, 42, 58, {}, true},
                                         LimitCase{"TooMuchMusic", PayloadKind::Picture, 1, 59, {}, false},
                                         LimitCase{"TooManyItems", PayloadKind::Picture, 60, 41, {}, false},
                                         LimitCase{"HundredMovies", PayloadKind::Flash, 100, 0, {}, true},
                                         LimitCase{"TooManyMovies", PayloadKind::Flash, 101, 0, {}, false},
                                         LimitCase{"MusicWithMovies", PayloadKind::Flash, 1, 1, {}, false},
                                         LimitCase{"CountBeyondBlocks", PayloadKind::Picture, 1, 0, 3, true},
                                         LimitCase{"NegativeCount", PayloadKind::Picture, 1, 0, -1, false},
                                         LimitCase{"CountPastSizeArea", PayloadKind::Flash, 1, 0, 101, false}),
                         CaseName);

TEST(PayloadWriter, UnreadBytesHoldTheFillValue)
{
    PayloadDescription d{.items = {Bytes(10)}, .music = {{Bytes(20), 0x37}}, .fill = 0x5A};
    const auto trailer = BuildTrailer(d);
    // M = 1: the uninterpreted byte at 19, the unused head from 143, and the
    // size area after its two entries.
    EXPECT_EQ(trailer[14], 0x37);
    EXPECT_EQ(trailer[19], 0x5A);
    EXPECT_TRUE(std::all_of(trailer.begin() + 143, trailer.begin() + 200, [](uint8_t b) { return b == 0x5A; }));
    EXPECT_TRUE(std::all_of(trailer.begin() + 208, trailer.end(), [](uint8_t b) { return b == 0x5A; }));
}

TEST(PayloadWriter, OddLayoutsStayInsideTheHeadArea)
{
    // 90 music types push the interval to 104 and the table across offset
    // 200: what does not fit is dropped and the size area stays intact.
    PayloadDescription d{.items = {Bytes(7)}, .musicMarker = PictureMarker, .musicCount = 90,
                         .check = LayoutCheck::Unchecked};
    d.effectTable.fill(1);
    const auto trailer = BuildTrailer(d);
    EXPECT_EQ(LittleEndian32(trailer, 104), 5u);
    EXPECT_EQ(trailer[199], 1);
    EXPECT_EQ(LittleEndian32(trailer, 200), 7u);
    EXPECT_EQ(trailer[204], 0);
}

TEST(PayloadWriter, FailureLeavesNoFileBehind)
{
    const auto dir = ScratchDir();
    PayloadDescription d{.items = {TinyJpeg()}};
    WriteFile(dir / "saver.scr", {'o', 'l', 'd'});
    EXPECT_THROW(WritePayloadFile(dir / "no-runtime.exe", dir / "saver.scr", d), PayloadError);
    EXPECT_EQ(ReadFile(dir / "saver.scr"), (Bytes{'o', 'l', 'd'}));
    WriteFile(dir / "runtime.exe", Pattern(10, 0));
    EXPECT_THROW(WritePayloadFile(dir / "runtime.exe", dir / "no-folder" / "saver.scr", d), PayloadError);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2) << "saver.scr and runtime.exe only";
}

} // namespace saver::test
