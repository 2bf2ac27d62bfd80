#include "payload/Trailer.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <optional>

namespace saver::test {

EffectTable TableWithOnes(std::initializer_list<int> styles)
{
    EffectTable table{};
    for (int style : styles)
        table[style] = 1;
    return table;
}

// Every block found through the trailer holds exactly the bytes written for it.
void ExpectBlocksMatch(const Bytes& file, const TrailerContents& t, const PayloadDescription& d)
{
    for (const PayloadItem& item : t.items) {
        const Bytes& block = item.kind == ItemKind::Music ? d.music.at(item.index).data : d.items.at(item.index);
        ASSERT_EQ(item.size, static_cast<int32_t>(block.size()));
        EXPECT_TRUE(std::equal(block.begin(), block.end(), file.begin() + item.start)) << "item " << item.index;
    }
}

TEST(ExcludedStyles, SixteenByteForm)
{
    const std::array<uint8_t, 16> expected = {0x80, 0x02, 0x03, 0x0F, 0x06, 0x80, 0x0F, 0x00,
                                              0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x07};
    EXPECT_EQ(ExcludedStyles.Bytes(), expected);
}

struct EnabledCase {
    const char* name;
    EffectTable table;
    std::vector<uint8_t> expected;
};

class EnabledStylesTest : public testing::TestWithParam<EnabledCase> {};

TEST_P(EnabledStylesTest, EntriesOfExactlyOneThatAreNotExcluded)
{
    EXPECT_EQ(EnabledStyles(GetParam().table), GetParam().expected);
}

EffectTable OtherValues()
{
    EffectTable table{};
    table[3] = 2;
    table[4] = 255;
    table[5] = 1;
    return table;
}

INSTANTIATE_TEST_SUITE_P(
    Tables, EnabledStylesTest,
    testing::Values(EnabledCase{"WorkedExample", TableWithOnes({1, 7, 52}), {1, 52}},
                    EnabledCase{"OtherValuesDoNotEnable", OtherValues(), {5}},
                    EnabledCase{"OnlyExcluded", TableWithOnes({7, 9, 16, 17, 24, 25, 26, 27, 33, 34, 47, 48, 49, 50, 51, 119, 120, 121, 122}), {}},
                    EnabledCase{"AscendingWithCustomStyle", TableWithOnes({118, 0, 121, 60}), {0, 60, 118}}),
    CaseName);

// Pictures of 1000 and 2000 bytes, one 5000-byte MP3, exit mode 4, interval
// 5, effects 1, 7 and 52.
TEST(TrailerLayout, PictureWorkedExample)
{
    PayloadDescription d;
    d.items = {TinyJpeg(1000), TinyJpeg(2000)};
    d.music = {{Pattern(5000, 9), MusicTypeMp3}};
    d.effectTable = TableWithOnes({1, 7, 52});
    const auto path = WriteSaver(ScratchDir(), d);

    const Bytes file = ReadFile(path);
    const std::span<const uint8_t> trailer(file.end() - TrailerSize, file.end());
    EXPECT_EQ(trailer[0], 14);
    EXPECT_EQ(trailer[1], 14);
    EXPECT_EQ(LittleEndian32(trailer, 2), 2u);
    EXPECT_EQ(LittleEndian32(trailer, 6), 1u);
    EXPECT_EQ(LittleEndian32(trailer, 10), 4u);
    EXPECT_EQ(trailer[14], 0x31);
    EXPECT_EQ(LittleEndian32(trailer, 15), 5u);
    for (int i = 0; i < 123; ++i)
        EXPECT_EQ(trailer[20 + i], (i == 1 || i == 7 || i == 52) ? 1 : 0) << "table entry " << i;
    EXPECT_EQ(LittleEndian32(trailer, 200), 1000u);
    EXPECT_EQ(LittleEndian32(trailer, 204), 2000u);
    EXPECT_EQ(LittleEndian32(trailer, 208), 5000u);

    PayloadFile payload(path);
    const TrailerContents t = ReadTrailer(payload);
    EXPECT_EQ(t.kind, PayloadKind::Picture);
    EXPECT_EQ(t.exitMode, 4);
    EXPECT_EQ(t.pictureInterval, 5);
    EXPECT_EQ(t.enabledStyles, (std::vector<uint8_t>{1, 52}));
    ASSERT_EQ(t.items.size(), 3u);
    EXPECT_EQ(t.items[0].fromEnd, 3600);
    EXPECT_EQ(t.items[1].fromEnd, 2600);
    EXPECT_EQ(t.items[2].kind, ItemKind::Music);
    EXPECT_EQ(t.items[2].fromEnd, 8600);
    EXPECT_EQ(t.items[2].start, 1024);
    ExpectBlocksMatch(file, t, d);
}

// A real Flash payload: 785,512 bytes, one 83,472-byte movie after a
// 701,440-byte executable image. The trailer is built by hand, so the reader
// is checked independently of the writer, and the writer against it.
TEST(TrailerLayout, FlashWorkedExample)
{
    const auto dir = ScratchDir();
    const Bytes image = Pattern(701440, 1);
    const Bytes movie = FlashMovie(83472);
    Bytes trailer = Pattern(TrailerSize, 200); // leftover values
    const uint8_t head[] = {0x0F, 0x0A, 0x01, 0, 0, 0, 0, 0, 0, 0, 0x03, 0, 0, 0, 0xFF};
    const uint8_t size0[] = {0x10, 0x46, 0x01, 0x00};
    std::memcpy(trailer.data(), head, sizeof head);
    std::memcpy(trailer.data() + 200, size0, sizeof size0);
    Bytes file = image;
    file.insert(file.end(), movie.begin(), movie.end());
    file.insert(file.end(), trailer.begin(), trailer.end());
    ASSERT_EQ(file.size(), 785512u);
    WriteFile(dir / "flash.scr", file);

    PayloadFile payload(dir / "flash.scr");
    const TrailerContents t = ReadTrailer(payload);
    EXPECT_EQ(t.kind, PayloadKind::Flash);
    EXPECT_EQ(t.exitMode, 3);
    ASSERT_EQ(t.items.size(), 1u);
    EXPECT_EQ(t.items[0].kind, ItemKind::Movie);
    EXPECT_EQ(t.items[0].size, 83472);
    EXPECT_EQ(t.items[0].start, 0xAB400);

    PayloadDescription d;
    d.kind = PayloadKind::Flash;
    d.items = {movie};
    d.exitMode = 3;
    d.musicMarker = 10;
    const Bytes written = ReadFile(WriteSaver(dir, d, image.size()));
    ASSERT_EQ(written.size(), file.size());
    const size_t s = file.size() - TrailerSize;
    EXPECT_TRUE(std::equal(file.begin() + 701440, file.begin() + s + 14, written.begin() + 701440));
    EXPECT_TRUE(std::equal(file.begin() + s + 200, file.begin() + s + 204, written.begin() + s + 200));
}

struct OffsetCase {
    const char* name;
    uint8_t musicMarker;
    int musicItems;
    int intervalOffset; // expected place of PictureInterval in the trailer
    int tableOffset;    // expected place of EffectTable
};

class MusicCountOffsets : public testing::TestWithParam<OffsetCase> {};

// The fields after the music types move with M, which counts only when the
// music marker is 14; music sizes follow the picture sizes.
TEST_P(MusicCountOffsets, FieldsFollowTheMusicTypes)
{
    const OffsetCase& c = GetParam();
    const bool music = c.musicMarker == PictureMarker;
    PayloadDescription d;
    d.items = {TinyJpeg(400), TinyJpeg(500)};
    for (int j = 0; j < c.musicItems; ++j)
        d.music.push_back({Pattern(10 + j, static_cast<uint8_t>(j)), static_cast<uint8_t>('0' + j % 3)});
    d.musicMarker = c.musicMarker;
    d.musicCount = music ? c.musicItems : 77; // written, never read
    d.pictureInterval = 0x01020304;
    d.effectTable = TableWithOnes({1, 122});
    d.fill = 0xA5;
    const auto path = WriteSaver(ScratchDir(), d);

    const Bytes file = ReadFile(path);
    const std::span<const uint8_t> trailer(file.end() - TrailerSize, file.end());
    for (int j = 0; j < c.musicItems; ++j)
        EXPECT_EQ(trailer[14 + j], '0' + j % 3);
    EXPECT_EQ(LittleEndian32(trailer, c.intervalOffset), 0x01020304u);
    EXPECT_EQ(trailer[c.intervalOffset + 4], 0xA5); // the uninterpreted byte
    EXPECT_EQ(trailer[c.tableOffset + 1], 1);
    EXPECT_EQ(trailer[c.tableOffset + 122], 1);
    EXPECT_EQ(LittleEndian32(trailer, 204), 500u);
    for (int j = 0; j < c.musicItems; ++j)
        EXPECT_EQ(LittleEndian32(trailer, 208 + 4 * j), static_cast<uint32_t>(10 + j));

    PayloadFile payload(path);
    const TrailerContents t = ReadTrailer(payload);
    EXPECT_EQ(t.musicCount, music ? c.musicItems : 0);
    EXPECT_EQ(t.pictureInterval, 0x01020304);
    EXPECT_EQ(t.enabledStyles, std::vector<uint8_t>{1});
    EXPECT_EQ(t.items.size(), 2u + (music ? c.musicItems : 0));
    ExpectBlocksMatch(file, t, d);
}

INSTANTIATE_TEST_SUITE_P(Layouts, MusicCountOffsets,
                         testing::Values(OffsetCase{"NoMusicMarker", 10, 0, 14, 19},
                                         OffsetCase{"MarkerWithoutMusic", 14, 0, 14, 19},
                                         OffsetCase{"ThreeMusicItems", 14, 3, 17, 22},
                                         OffsetCase{"MostMusic", 14, 58, 72, 77}), // table ends at 199
                         CaseName);

class ModeMarkers : public testing::TestWithParam<int> {};

TEST_P(ModeMarkers, AnyMarkerButFourteenIsFlash)
{
    PayloadDescription d;
    d.items = {TinyJpeg(), TinyJpeg()};
    d.modeMarker = static_cast<uint8_t>(GetParam());
    d.effectTable = TableWithOnes({1});
    PayloadFile payload(WriteSaver(ScratchDir(), d));
    const TrailerContents t = ReadTrailer(payload);
    const bool picture = GetParam() == 14;
    EXPECT_EQ(t.kind, picture ? PayloadKind::Picture : PayloadKind::Flash);
    ASSERT_EQ(t.items.size(), 2u);
    EXPECT_EQ(t.items[0].kind, picture ? ItemKind::Picture : ItemKind::Movie);
    EXPECT_EQ(t.enabledStyles.empty(), !picture);
}

INSTANTIATE_TEST_SUITE_P(Markers, ModeMarkers, testing::Values(0, 14, 15, 255));

// The last of the 100 size area entries ends at the last byte of the file.
TEST(TrailerLayout, HundredSizeEntriesFit)
{
    PayloadDescription d;
    d.items.assign(42, Bytes(3));
    d.music.assign(58, MusicItem{Bytes(5), MusicTypeMidi});
    d.effectTable = TableWithOnes({1});
    for (PayloadKind kind : {PayloadKind::Picture, PayloadKind::Flash}) {
        if (kind == PayloadKind::Flash) {
            d = PayloadDescription{.kind = kind, .items = std::vector<Bytes>(100, Bytes(3))};
        }
        PayloadFile payload(WriteSaver(ScratchDir(), d));
        EXPECT_EQ(ReadTrailer(payload).items.size(), 100u);
    }
}

// Files the reader must refuse without crashing, hanging or allocating more
// than the file holds.
struct DamageCase {
    const char* name;
    PayloadKind kind;
    int items;
    int music;
    int patchOffset;   // trailer offset of an int32 to overwrite, or -1
    int32_t patchValue;
    int keepLast;      // keep only this many bytes at the end, or -1
};

class DamagedFile : public testing::TestWithParam<DamageCase> {};

TEST_P(DamagedFile, IsRefused)
{
    const DamageCase& c = GetParam();
    PayloadDescription d;
    d.kind = c.kind;
    d.items.assign(c.items, Bytes(1000));
    d.music.assign(c.music, MusicItem{Bytes(5000), MusicTypeWav});
    d.check = LayoutCheck::Unchecked;
    const auto path = WriteSaver(ScratchDir(), d);
    Bytes file = ReadFile(path);
    if (c.patchOffset >= 0) {
        for (int i = 0; i < 4; ++i)
            file[file.size() - TrailerSize + c.patchOffset + i] = static_cast<uint8_t>(uint32_t(c.patchValue) >> 8 * i);
    }
    if (c.keepLast >= 0)
        file.erase(file.begin(), file.end() - c.keepLast);
    WriteFile(path, file);
    PayloadFile payload(path);
    EXPECT_THROW(ReadTrailer(payload), PayloadError);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedFile,
    testing::Values(DamageCase{"SizeAreaPastTheEnd", PayloadKind::Picture, 90, 20, -1, 0, -1},
                    DamageCase{"MoviesPastTheEnd", PayloadKind::Flash, 101, 0, -1, 0, -1},
                    DamageCase{"NegativeItemCount", PayloadKind::Picture, 2, 1, 2, -1, -1},
                    DamageCase{"HugeItemCount", PayloadKind::Picture, 2, 1, 2, INT32_MAX, -1},
                    DamageCase{"NegativeMusicCount", PayloadKind::Picture, 2, 1, 6, -1, -1},
                    DamageCase{"HugeMusicCount", PayloadKind::Picture, 2, 1, 6, INT32_MAX, -1},
                    DamageCase{"NegativeSize", PayloadKind::Picture, 2, 1, 204, -1, -1},
                    DamageCase{"HugeSize", PayloadKind::Flash, 1, 0, 200, INT32_MAX, -1},
                    // Music one byte larger than the file before the pictures.
                    DamageCase{"BlockBeforeFileStart", PayloadKind::Picture, 2, 1, 208, 5000 + 1024 + 1, -1},
                    DamageCase{"FirstByteMissing", PayloadKind::Flash, 1, 0, -1, 0, 1599},
                    DamageCase{"ShorterThanTrailer", PayloadKind::Flash, 0, 0, -1, 0, 599},
                    DamageCase{"Empty", PayloadKind::Flash, 0, 0, -1, 0, 0}),
    CaseName);

TEST(PayloadFileTest, ReadsInsideTheFileAndRefusesEverythingElse)
{
    const auto dir = ScratchDir();
    WriteFile(dir / "f", {1, 2, 3, 4, 5, 0xFF, 0xFF, 0xFF, 0xFF});
    PayloadFile file(dir / "f");
    ASSERT_EQ(file.Length(), 9);
    EXPECT_EQ(file.ReadInt32(0), 0x04030201);
    EXPECT_EQ(file.ReadInt32(5), -1);
    EXPECT_EQ(file.ReadToEnd(7), (Bytes{0xFF, 0xFF}));
    EXPECT_TRUE(file.ReadToEnd(9).empty());
    EXPECT_THROW(file.ReadInt32(6), PayloadError);
    EXPECT_THROW(file.ReadByte(-1), PayloadError);
    EXPECT_THROW(file.ReadBlock(0, -1), PayloadError);
    EXPECT_THROW(file.ReadBlock(1, INT64_MAX), PayloadError); // position + count overflows
    EXPECT_THROW(PayloadFile(dir / "missing"), PayloadError);
    EXPECT_THROW(PayloadFile{dir}, PayloadError);
}

// ---------------------------------------------------------- style extension

TEST(StyleExtension, ChecksumIsTheZipCrc)
{
    const char text[] = "123456789";
    EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t*>(text), 9), 0xCBF43926u);
}

TEST(StyleExtension, BitmapCoversStylesOneToLastOnly)
{
    const Bytes ext = BuildStyleExtension({0, 7, 123, 151, -1});
    ASSERT_EQ(ext.size(), 16u + StyleExtensionFooterSize); // 123 is in byte 15
    EXPECT_EQ(ext[0], 0x80);
    EXPECT_EQ(ext[15], 0x08);
    EXPECT_EQ(LittleEndian32(ext, 16), 16u);
    EXPECT_EQ(LittleEndian32(ext, 20), Crc32(ext.data(), 16));
    EXPECT_TRUE(std::equal(StyleExtensionMagic.begin(), StyleExtensionMagic.end(), ext.end() - 8));
    EXPECT_TRUE(BuildStyleExtension({0, 151}).empty());
}

PayloadDescription PicturesAndMusic(std::vector<int> extensionStyles)
{
    PayloadDescription d;
    d.items = {TinyJpeg(1000), TinyJpeg(2000)};
    d.music = {{Pattern(500, 9), MusicTypeWav}};
    d.effectTable = TableWithOnes({1, 7, 118, 122});
    d.extensionStyles = std::move(extensionStyles);
    return d;
}

// A reader that walks back from the trailer finds the same bytes, blocks and
// table with and without the extension; the new reader also gets its styles.
TEST(StyleExtension, ReadByTheNewReaderAndUnseenByTheClassicWalk)
{
    const auto dir = ScratchDir();
    const Bytes plain = ReadFile(WriteSaver(dir, PicturesAndMusic({})));
    const auto path = WriteSaver(dir, PicturesAndMusic({7, 119, 122, 123, 150}));
    const Bytes extended = ReadFile(path);
    ASSERT_EQ(extended.size(), plain.size() + 19 + StyleExtensionFooterSize);
    EXPECT_TRUE(std::equal(plain.begin() + 1024, plain.end(), extended.end() - (plain.size() - 1024)));

    WriteFile(dir / "plain.scr", plain);
    PayloadFile plainFile(dir / "plain.scr");
    PayloadFile extendedFile(path);
    const TrailerContents old = ReadTrailer(plainFile);
    const TrailerContents t = ReadTrailer(extendedFile);
    EXPECT_TRUE(old.extensionStyles.empty());
    EXPECT_EQ(t.enabledStyles, (std::vector<uint8_t>{1, 118}));
    EXPECT_EQ(t.enabledStyles, old.enabledStyles);
    EXPECT_EQ(t.effectTable, old.effectTable);
    ASSERT_EQ(t.items.size(), old.items.size());
    for (size_t i = 0; i < t.items.size(); ++i)
        EXPECT_EQ(t.items[i].fromEnd, old.items[i].fromEnd) << i;
    EXPECT_EQ(t.extensionStyles, (std::vector<uint8_t>{7, 119, 122, 123, 150}));
    EXPECT_EQ(PlayedStyles(t), (std::vector<uint8_t>{1, 7, 118, 119, 122, 123, 150}));
}

struct ExtensionDamage {
    const char* name;
    size_t runtimeSize;
    int64_t offset; // from the first item's start
    std::optional<int32_t> value; // written as int32 at offset; none flips the byte there
    bool kept;
};

class DamagedExtension : public testing::TestWithParam<ExtensionDamage> {};

TEST_P(DamagedExtension, CountsAsAbsentAndLeavesTheRestAlone)
{
    const ExtensionDamage& c = GetParam();
    const auto dir = ScratchDir();
    Bytes file = ReadFile(WriteSaver(dir, PicturesAndMusic({9, 150}), c.runtimeSize));
    const size_t first = c.runtimeSize + 19 + StyleExtensionFooterSize;
    const size_t at = size_t(int64_t(first) + c.offset);
    if (c.value) {
        for (int i = 0; i < 4; ++i)
            file[at + size_t(i)] = uint8_t(uint32_t(*c.value) >> (8 * i));
    } else {
        file[at] ^= 0x01;
    }
    WriteFile(dir / "damaged.scr", file);
    PayloadFile payload(dir / "damaged.scr");
    const TrailerContents t = ReadTrailer(payload);
    EXPECT_EQ(t.extensionStyles, (c.kept ? std::vector<uint8_t>{9, 150} : std::vector<uint8_t>{}));
    EXPECT_EQ(t.enabledStyles, (std::vector<uint8_t>{1, 118}));
    ASSERT_EQ(t.items.size(), 3u);
    EXPECT_EQ(t.items[2].start, int64_t(first));
}

INSTANTIATE_TEST_SUITE_P(
    Extensions, DamagedExtension,
    testing::Values(ExtensionDamage{"Intact", 1024, -16, 19, true},
                    ExtensionDamage{"AtTheStartOfTheFile", 0, -16, 19, true},
                    ExtensionDamage{"LengthReachesBeforeTheFile", 0, -16, 20, false},
                    ExtensionDamage{"LengthZero", 1024, -16, 0, false},
                    ExtensionDamage{"LengthOverTheMaximum", 1024, -16, StyleBitmapMaxBytes + 1, false},
                    ExtensionDamage{"NegativeLength", 1024, -16, -1, false},
                    ExtensionDamage{"BitmapByte", 1024, -17, {}, false},
                    ExtensionDamage{"Checksum", 1024, -12, {}, false},
                    ExtensionDamage{"Magic", 1024, -1, {}, false}),
    CaseName);

} // namespace saver::test
