#include "saverpack/SaverPack.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include "transitions/PSEffect.h"

#include <sys/stat.h>

#include <sstream>

namespace saver::test {

struct RunResult {
    int code;
    std::string out;
    std::string err;
};

// Bytes that start with an MP3 frame header.
Bytes Mp3(size_t size)
{
    Bytes bytes = Pattern(size, 2);
    const uint8_t header[] = {0xFF, 0xFB, 0x90, 0x64};
    std::copy(std::begin(header), std::end(header), bytes.begin());
    return bytes;
}

// A JPEG cut one byte into its image data: the header still parses.
Bytes JpegCutInScan()
{
    Bytes jpeg = TinyJpeg();
    for (size_t i = jpeg.size() - 2; i > 0; --i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) {
            jpeg.resize(i + 2 + (size_t{jpeg[i + 2]} << 8 | jpeg[i + 3]) + 1);
            return jpeg;
        }
    }
    throw std::logic_error("no start of scan");
}

// A build command writing @out.scr from @runtime.exe.
std::vector<std::string> Build(const char* command, std::vector<std::string> rest)
{
    std::vector<std::string> args = {command, "--runtime", "@runtime.exe", "--out", "@out.scr"};
    args.insert(args.end(), rest.begin(), rest.end());
    return args;
}

// A folder with a runtime and content files of every kind the tool meets.
class SaverPackTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_dir = ScratchDir();
        WriteFile(m_dir / "runtime.exe", Pattern(1024, 1));
        WriteFile(m_dir / "p0.jpg", TinyJpeg(1000));
        WriteFile(m_dir / "p1.jpg", TinyJpeg(2000));
        WriteFile(m_dir / "song.mp3", Mp3(5000));
        WriteFile(m_dir / "notes.mp3", {'t', 'e', 'x', 't', '\n'});
        WriteFile(m_dir / "cut.jpg", JpegCutInScan());
        WriteFile(m_dir / "song.ogg", Pattern(50, 3));
        WriteFile(m_dir / "movie.swf", FlashMovie(300));
        WriteFile(m_dir / "text.jpg", {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'g'});
    }

    // "@name" in an argument stands for the path of `name` in the folder.
    RunResult Run(std::vector<std::string> args, bool terminal = false) const
    {
        for (std::string& arg : args) {
            if (const size_t at = arg.find('@'); at != std::string::npos)
                arg = arg.substr(0, at) + (m_dir / arg.substr(at + 1)).string();
        }
        std::ostringstream out, err;
        const int code = RunSaverPack(args, out, err, terminal);
        return {code, out.str(), err.str()};
    }

    std::filesystem::path m_dir;
};

TEST_F(SaverPackTest, PictureWorkedExample)
{
    const RunResult build = Run(Build("pictures", {"--exit-mode", "4", "--interval", "5", "--effects", "1,7,52",
                                                   "--music", "@song.mp3", "@p0.jpg", "@p1.jpg"}));
    ASSERT_EQ(build.code, 0) << build.err;
    EXPECT_EQ(build.err, "");

    // The excluded style 7 goes in a style extension of 17 bytes before the
    // music: L = 1024 + 17 + 5000 + 1000 + 2000 + 600 = 9641, and every
    // distance from the end is that of a payload without it.
    const RunResult inspect = Run({"inspect", "@out.scr"});
    ASSERT_EQ(inspect.code, 0) << inspect.err;
    EXPECT_EQ(inspect.out, R"({
  "mode": "picture",
  "modeMarker": 14,
  "musicMarker": 14,
  "itemCount": 2,
  "musicCount": 1,
  "exitMode": 4,
  "pictureInterval": 5,
  "musicTypes": [".mp3"],
  "enabledStyles": [1, 52],
  "extensionStyles": [7],
  "items": [
    {"kind": "picture", "index": 0, "size": 1000, "start": 6041, "fromEnd": 3600},
    {"kind": "picture", "index": 1, "size": 2000, "start": 7041, "fromEnd": 2600},
    {"kind": "music", "index": 0, "size": 5000, "start": 1041, "fromEnd": 8600}
  ]
}
)");
}

TEST_F(SaverPackTest, DefaultsEnableEveryUsableStyle)
{
    const RunResult build = Run(Build("pictures", {"@p0.jpg"}));
    ASSERT_EQ(build.code, 0) << build.err;
    EXPECT_EQ(build.err, "");
    PayloadFile file(m_dir / "out.scr");
    const TrailerContents t = ReadTrailer(file);
    EXPECT_EQ(t.exitMode, 4);
    EXPECT_EQ(t.pictureInterval, 5);
    std::vector<uint8_t> expected;
    for (int style = 1; style < EffectTableSize; ++style) {
        if (!ExcludedStyles.Contains(style))
            expected.push_back(static_cast<uint8_t>(style));
    }
    EXPECT_EQ(t.enabledStyles, expected);
    EXPECT_TRUE(t.extensionStyles.empty());
    EXPECT_EQ(file.Length(), 1024 + 1000 + TrailerSize);
}

// The table holds what it can, as for 1-122; the rest is in the extension.
TEST_F(SaverPackTest, AllEnablesEveryStyleWithTheClassicTableOfOneTo122)
{
    ASSERT_EQ(Run(Build("pictures", {"--effects", "1-122", "@p0.jpg"})).code, 0);
    PayloadFile classic(m_dir / "out.scr");
    const TrailerContents one22 = ReadTrailer(classic);
    const RunResult build = Run(Build("pictures", {"--effects", "all", "@p0.jpg"}));
    ASSERT_EQ(build.code, 0) << build.err;
    PayloadFile file(m_dir / "out.scr");
    const TrailerContents t = ReadTrailer(file);
    EXPECT_EQ(t.effectTable, one22.effectTable);
    EXPECT_EQ(t.effectTable[0], 0);
    EXPECT_EQ(t.enabledStyles, one22.enabledStyles);
    std::vector<uint8_t> extension;
    for (int style = 1; style <= 150; ++style) {
        if (style >= EffectTableSize || ExcludedStyles.Contains(style))
            extension.push_back(uint8_t(style));
    }
    EXPECT_EQ(t.extensionStyles, extension);
    EXPECT_EQ(PlayedStyles(t).size(), 150u);
}

struct InspectCase {
    const char* name;
    const char* command;
    std::vector<std::string> args;
    std::vector<std::string> expected; // fragments of the JSON
};

class SaverPackBuilds : public SaverPackTest, public testing::WithParamInterface<InspectCase> {};

TEST_P(SaverPackBuilds, InspectShowsWhatWasAskedFor)
{
    const RunResult build = Run(Build(GetParam().command, GetParam().args));
    ASSERT_EQ(build.code, 0) << build.err;
    const RunResult inspect = Run({"inspect", "@out.scr"});
    ASSERT_EQ(inspect.code, 0) << inspect.err;
    for (const std::string& fragment : GetParam().expected)
        EXPECT_NE(inspect.out.find(fragment), std::string::npos) << fragment << " not in\n" << inspect.out;
}

std::string EffectTableHex()
{
    std::string hex(2 * 123, '0');
    hex[2 * 3 + 1] = '1'; // style 3 enabled
    hex[2 * 7 + 1] = '1'; // style 7 excluded
    hex[2 * 8 + 1] = '2'; // a value of 2 enables nothing
    return hex;
}

INSTANTIATE_TEST_SUITE_P(
    Options, SaverPackBuilds,
    testing::Values(
        InspectCase{"FlashMovies", "flash", {"--exit-mode", "3", "@movie.swf", "@movie.swf"},
                    {R"("mode": "flash")", R"("exitMode": 3)", R"({"kind": "movie", "index": 1, "size": 300)"}},
        InspectCase{"ModeMarker", "pictures", {"--mode-marker", "255", "@p0.jpg"},
                    {R"("mode": "flash")", R"("modeMarker": 255)", R"("kind": "movie")"}},
        InspectCase{"RawEffectTable", "pictures", {"--effect-table", EffectTableHex(), "@p0.jpg"},
                    {R"("enabledStyles": [3])"}},
        InspectCase{"OddTypeByte", "pictures", {"--music", "@song.ogg", "--music-type-byte", "0=0x37", "@p0.jpg"},
                    {R"("musicTypes": [55])", R"("kind": "music")"}},
        InspectCase{"MusicMarkerOff", "pictures", {"--music-marker", "10", "--music", "@song.mp3", "@p0.jpg"},
                    {R"("musicCount": 0)", R"("musicTypes": [])"}},
        InspectCase{"EffectsRange", "pictures", {"--effects=5-9,0", "--interval=30", "@p0.jpg"},
                    {R"("enabledStyles": [0, 5, 6, 8])", R"("extensionStyles": [7, 9])", R"("pictureInterval": 30)"}},
        InspectCase{"TableEndsAt122", "pictures", {"--effects", "118-123,150", "@p0.jpg"},
                    {R"("enabledStyles": [118])", R"("extensionStyles": [119, 120, 121, 122, 123, 150])"}}),
    CaseName);

struct FailureCase {
    const char* name;
    std::vector<std::string> args;
    int code;
    const char* message;
};

class SaverPackRefuses : public SaverPackTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(SaverPackRefuses, WithAClearMessageAndNoOutput)
{
    const RunResult result = Run(GetParam().args);
    EXPECT_EQ(result.code, GetParam().code) << result.err;
    EXPECT_NE(result.err.find(GetParam().message), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
    for (const auto& entry : std::filesystem::directory_iterator(m_dir))
        EXPECT_EQ(entry.path().filename().string().find("out.scr"), std::string::npos) << entry.path();
}

std::vector<std::string> Repeat(std::vector<std::string> args, const std::vector<std::string>& unit, int times)
{
    for (int i = 0; i < times; ++i)
        args.insert(args.end(), unit.begin(), unit.end());
    return args;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, SaverPackRefuses,
    testing::Values(
        FailureCase{"NoArguments", {}, 2, "Usage"},
        FailureCase{"UnknownCommand", {"frobnicate"}, 2, "Unknown command"},
        FailureCase{"NoOutput", {"pictures", "--runtime", "@runtime.exe", "@p0.jpg"}, 2, "--out"},
        FailureCase{"NotAPicture", Build("pictures", {"@text.jpg"}), 2, "text.jpg: not a picture"},
        FailureCase{"NotFlash", Build("flash", {"@p0.jpg"}), 2, "not a Flash movie"},
        FailureCase{"UnknownMusicUnchecked", Build("pictures", {"--unchecked", "--music", "@song.ogg", "@p0.jpg"}),
                    2, "unknown music type"},
        FailureCase{"TextAsMusic", Build("pictures", {"--music", "@notes.mp3", "@p0.jpg"}), 2,
                    "notes.mp3 is not music"},
        FailureCase{"TruncatedJpeg", Build("pictures", {"@p0.jpg", "@cut.jpg"}), 2,
                    "cut.jpg: cannot be decoded in full: Premature end"},
        FailureCase{"OnlyBadPicturesSkipped", Build("pictures", {"--skip-bad", "@cut.jpg"}), 2,
                    "No picture is left"},
        FailureCase{"StyleBeyondLast", Build("pictures", {"--effects", "1,151", "@p0.jpg"}), 2,
                    "there is no style 151"},
        FailureCase{"OnlyBeyondTable", Build("pictures", {"--effects", "123-150", "@p0.jpg"}), 2,
                    "older runtimes"},
        FailureCase{"OnlyExcluded", Build("pictures", {"--effects", "7,9", "@p0.jpg"}), 2,
                    "No transition style"},
        FailureCase{"ExitModeRange", Build("pictures", {"--exit-mode", "5", "@p0.jpg"}), 2,
                    "--exit-mode"},
        FailureCase{"NoSuchMusicItem",
                    Build("pictures", {"--music", "@song.mp3", "--music-type-byte", "1=50", "@p0.jpg"}),
                    2, "no music item 1"},
        FailureCase{"TooMuchMusic",
                    Repeat(Build("pictures", {"@p0.jpg"}), {"--music", "@song.mp3"}, 59), 2, "58"},
        FailureCase{"TooManyPictures", Repeat(Build("pictures", {}), {"@p0.jpg"}, 101), 2, "100"},
        FailureCase{"MissingPicture", Build("pictures", {"@missing.jpg"}), 1,
                    "missing.jpg: No such file or directory"},
        FailureCase{"FolderAsMovie", Build("flash", {"@."}), 1, "Is a directory"},
        FailureCase{"InfoWithoutPayload", {"info", "@runtime.exe"}, 2, "runtime.exe holds no screensaver payload"},
        FailureCase{"ExtractWithoutPayload", {"extract", "@p0.jpg", "@items"}, 2, "holds no screensaver payload"},
        FailureCase{"MissingRuntime", {"flash", "--runtime", "@none.exe", "--out", "@out.scr", "@movie.swf"}, 1,
                    "none.exe"},
        FailureCase{"InspectShortFile", {"inspect", "@text.jpg"}, 1, "too short"},
        FailureCase{"InspectTwoFiles", {"inspect", "@p0.jpg", "@p1.jpg"}, 2, "exactly one file"}),
    CaseName);

TEST_F(SaverPackTest, UncheckedBuildsCorruptFilesThatInspectRejects)
{
    // 90 pictures and 20 music items in the trailer: the size area would need
    // 110 entries.
    const RunResult build = Run(Build("pictures", {"--unchecked", "--item-count", "90", "--music-count", "20",
                                                   "--music", "@song.mp3", "@p0.jpg"}));
    ASSERT_EQ(build.code, 0) << build.err;
    const RunResult inspect = Run({"inspect", "@out.scr"});
    EXPECT_EQ(inspect.code, 1);
    EXPECT_NE(inspect.err.find("at most 100 entries"), std::string::npos) << inspect.err;
    EXPECT_EQ(inspect.out, "");
}

TEST_F(SaverPackTest, SkipBadPacksTheRestAndNamesWhatItLeftOut)
{
    const RunResult build = Run(Build("pictures", {"--skip-bad", "@cut.jpg", "@p1.jpg"}));
    ASSERT_EQ(build.code, 0) << build.err;
    EXPECT_NE(build.err.find("skipped " + (m_dir / "cut.jpg").string()), std::string::npos) << build.err;
    PayloadFile file(m_dir / "out.scr");
    const TrailerContents t = ReadTrailer(file);
    ASSERT_EQ(t.items.size(), 1u);
    EXPECT_EQ(file.ReadBlock(t.items[0].start, t.items[0].size), ReadFile(m_dir / "p1.jpg"));
}

TEST_F(SaverPackTest, TheOutputIsExecutableLessTheUmask)
{
    const mode_t umaskNow = ::umask(027);
    const RunResult build = Run(Build("flash", {"@movie.swf"}));
    ::umask(umaskNow);
    ASSERT_EQ(build.code, 0) << build.err;
    struct stat info {};
    ASSERT_EQ(::stat((m_dir / "out.scr").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0750u);
}

TEST_F(SaverPackTest, ExtractWritesEveryItemBackByteForByte)
{
    WriteFile(m_dir / "song.wav", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'});
    ASSERT_EQ(Run(Build("pictures", {"--music", "@song.mp3", "--music", "@song.wav", "@p0.jpg", "@p1.jpg"})).code, 0);
    const RunResult pictures = Run({"extract", "@out.scr", "@items"});
    ASSERT_EQ(pictures.code, 0) << pictures.err;
    ASSERT_EQ(Run(Build("flash", {"@movie.swf"})).code, 0);
    const RunResult movies = Run({"extract", "@out.scr", "@items"});
    ASSERT_EQ(movies.code, 0) << movies.err;

    const std::pair<const char*, const char*> expected[] = {{"picture00.jpg", "p0.jpg"},
                                                            {"picture01.jpg", "p1.jpg"},
                                                            {"music00.mp3", "song.mp3"},
                                                            {"music01.wav", "song.wav"},
                                                            {"movie00.swf", "movie.swf"}};
    for (const auto& [extracted, original] : expected)
        EXPECT_EQ(ReadFile(m_dir / "items" / extracted), ReadFile(m_dir / original)) << extracted;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir / "items"), {}), 5);
}

TEST_F(SaverPackTest, InfoListsItemsSettingsAndStyleNames)
{
    ASSERT_EQ(Run(Build("pictures", {"--exit-mode", "2", "--interval", "9", "--effects", "1,118,122,150", "--music",
                                     "@song.mp3", "@p0.jpg"}))
                  .code,
              0);
    const RunResult info = Run({"info", "@out.scr"});
    ASSERT_EQ(info.code, 0) << info.err;
    for (const std::string& line :
         {std::string("kind: pictures\n"), std::string("  picture00.jpg: 1000 bytes, 8x8\n"),
          std::string("  music00.mp3: 5000 bytes\n"), std::string("interval: 9 s\n"),
          std::string("exit mode: 2 (mouse buttons)\n"), std::string("styles: 4 enabled\n"),
          "  1 " + std::string(ShowStyleName(1)) + "\n", "  118 " + std::string(ShowStyleName(118)) + "\n",
          "  122 " + std::string(ShowStyleName(122)) + "\n", "  150 " + std::string(ShowStyleName(150)) + "\n"})
        EXPECT_NE(info.out.find(line), std::string::npos) << line << " not in\n" << info.out;
}

TEST_F(SaverPackTest, FoldersAreWalkedInNameOrderAndOtherFilesSkipped)
{
    const std::filesystem::path folder = m_dir / "photos";
    std::filesystem::create_directories(folder / "sub");
    std::filesystem::create_directories(folder / ".thumbnails");
    WriteFile(folder / "b.jpg", TinyJpeg(1100));
    WriteFile(folder / "a.jpg", TinyJpeg(1000));
    WriteFile(folder / "sub" / "c.jpg", TinyJpeg(1200));
    WriteFile(folder / ".thumbnails" / "a.jpg", TinyJpeg(1300));
    WriteFile(folder / "notes.txt", {'h', 'i'});
    WriteFile(folder / "clip.mp4", Pattern(100, 4));
    const RunResult build = Run(Build("pictures", {"@p1.jpg", "@photos"}));
    ASSERT_EQ(build.code, 0) << build.err;
    EXPECT_EQ(build.err, "saverpack: skipped 2 files that are not pictures in the folders\n");
    EXPECT_EQ(build.out, "saverpack: wrote " + (m_dir / "out.scr").string() + ": 4 pictures (4 as given)\n");
    PayloadFile file(m_dir / "out.scr");
    std::vector<int32_t> sizes;
    for (const PayloadItem& item : ReadTrailer(file).items)
        sizes.push_back(item.size);
    EXPECT_EQ(sizes, (std::vector<int32_t>{2000, 1000, 1100, 1200}));

    // A damaged picture in a subfolder fails the pack by its path.
    WriteFile(folder / "sub" / "cut.jpg", JpegCutInScan());
    std::filesystem::remove(m_dir / "out.scr");
    const RunResult bad = Run(Build("pictures", {"@photos"}));
    EXPECT_EQ(bad.code, 2);
    EXPECT_NE(bad.err.find((folder / "sub" / "cut.jpg").string() + ": cannot be decoded in full"), std::string::npos)
        << bad.err;
    EXPECT_FALSE(std::filesystem::exists(m_dir / "out.scr"));
}

TEST_F(SaverPackTest, ProgressShowsOnATerminalForMoreThanThreePictures)
{
    for (const int count : {3, 4}) {
        const RunResult build = Run(Build("pictures", std::vector<std::string>(size_t(count), "@p0.jpg")), true);
        ASSERT_EQ(build.code, 0) << build.err;
        if (count == 3)
            EXPECT_EQ(build.err, "");
        else
            EXPECT_NE(build.err.find("\rsaverpack: picture 4 of 4: p0.jpg"), std::string::npos) << build.err;
        EXPECT_TRUE(build.err.empty() || build.err.ends_with("\r\033[K")) << "the line is left behind";
    }
}

TEST_F(SaverPackTest, HelpGoesToStandardOutput)
{
    for (const auto& args : {std::vector<std::string>{"--help"}, std::vector<std::string>{"pictures", "--help"}}) {
        const RunResult result = Run(args);
        EXPECT_EQ(result.code, 0);
        EXPECT_NE(result.out.find("saverpack pictures --out FILE"), std::string::npos);
        EXPECT_NE(result.out.find("default 4"), std::string::npos);
        EXPECT_EQ(result.err, "");
    }
}

} // namespace saver::test
