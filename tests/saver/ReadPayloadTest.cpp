// Reading a payload: which files are written, in which order, what the
// saver window learns, and where a damaged file stops the reading.

#include "SaverTestSupport.h"

#include "payload/ReadPayload.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace saver;
using namespace saver::test;

namespace {

// Records what the reading asks of the window, writing files for real.
class RecordingTarget final : public PayloadTarget {
public:
    explicit RecordingTarget(std::string temp) : m_temp(std::move(temp)) {}
    PayloadFields Values;
    std::vector<std::string> Calls;
    bool MusicOpens = true;

    PayloadFields& Fields() override { return Values; }
    const std::string& TempPath() const override { return m_temp; }
    void SetFlashSize(int32_t w, int32_t h) override { Calls.push_back("flash size " + std::to_string(w) + "x" + std::to_string(h)); }
    void SetFlashVisible(bool) override { Calls.push_back("flash visible"); }
    void LoadMovie(const std::string& path) override { Calls.push_back("movie " + BaseName(path)); }
    void PlayMovie() override { Calls.push_back("play movie"); }
    void StartMusic(const std::string& path) override
    {
        Calls.push_back("music " + BaseName(path));
        if (!MusicOpens || std::filesystem::path(path).extension().empty())
            throw Exception("cannot open " + path);
    }
    void HideCursor() override { Calls.push_back("hide cursor"); }
    Point GetCursorPos() override
    {
        Calls.push_back("cursor");
        return {500, 400};
    }
    void ShowLoadError(const std::string& text) override { Calls.push_back("error " + text); }
    void WriteItem(const std::string& path, const std::vector<uint8_t>& bytes) override
    {
        Calls.push_back("write " + BaseName(path));
        PayloadTarget::WriteItem(path, bytes);
    }

private:
    std::string m_temp;
};

PayloadDescription ThreePictures()
{
    PayloadDescription p;
    p.kind = PayloadKind::Picture;
    p.items = {JpegPicture(8, 8, clRed), JpegPicture(9, 9, clGreen), JpegPicture(10, 10, clBlue)};
    p.exitMode = 1;
    p.pictureInterval = 3;
    p.effectTable = EnableStyles({1, 7, 52});
    return p;
}

Bytes ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

TEST(ReadPayload, PicturesAreWrittenLastFirstAfterTheCursorIsTaken)
{
    SaverScenario s("pictures");
    const PayloadDescription payload = ThreePictures();
    RecordingTarget target(s.Temp.string() + "/");
    ASSERT_TRUE(ReadPayload(s.Build(payload), target));
    EXPECT_EQ(target.Calls, (std::vector<std::string>{"flash size 0x0", "hide cursor", "cursor", "write fpics2.jpg",
                                                      "write fpics1.jpg", "write fpics0.jpg"}));
    // Each file holds exactly its own picture (not the pictures after it
    // and the trailer).
    for (size_t k = 0; k < 3; ++k)
        EXPECT_EQ(ReadAll(s.Temp / ("fpics" + std::to_string(k) + ".jpg")), payload.items[k]) << k;
    EXPECT_EQ(target.Values.PlayMode, TPlayMode::pmPicture);
    EXPECT_EQ(target.Values.ItemCount, 3);
    EXPECT_EQ(target.Values.ExitMode, TExitMode::emMouseMove);
    EXPECT_EQ(target.Values.PictureInterval, 3);
    EXPECT_EQ(target.Values.StartCursor, Point(500, 400));
    EXPECT_EQ(target.Values.EnabledStyleCount, 2);
    EXPECT_EQ(target.Values.EnabledStyles[0], 1);
    EXPECT_EQ(target.Values.EnabledStyles[1], 52);
}

// The style extension adds styles beyond the table and excluded ones; the
// excluded 7 that only the table names stays off.
TEST(ReadPayload, StylesOfTheExtensionJoinTheTables)
{
    SaverScenario s("style-extension");
    PayloadDescription payload = ThreePictures();
    payload.extensionStyles = {9, 122, 123, 150};
    RecordingTarget target(s.Temp.string() + "/");
    ASSERT_TRUE(ReadPayload(s.Build(payload), target));
    const std::vector<uint8_t> expected = {1, 9, 52, 122, 123, 150};
    ASSERT_EQ(target.Values.EnabledStyleCount, int32_t(expected.size()));
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), target.Values.EnabledStyles.begin()));
    EXPECT_EQ(ReadAll(s.Temp / "fpics0.jpg"), payload.items[0]);
}

TEST(ReadPayload, MusicFollowsThePicturesByTypeByte)
{
    SaverScenario s("music-types");
    PayloadDescription payload = ThreePictures();
    payload.exitMode = 2; // the cursor stays visible
    for (uint8_t type : {uint8_t('0'), uint8_t('1'), uint8_t('2'), uint8_t(0x37), uint8_t('1')})
        payload.music.push_back({Bytes(100 + type, type), type});
    RecordingTarget target(s.Temp.string() + "/");
    ASSERT_TRUE(ReadPayload(s.Build(payload), target));
    EXPECT_EQ(target.Calls, (std::vector<std::string>{"flash size 0x0", "cursor", "write fpics2.jpg",
                                                      "write fpics1.jpg", "write fpics0.jpg", "write qorvane4.mp3",
                                                      "write qorvane2.wav", "write qorvane1.mp3", "write qorvane0.mid",
                                                      "music qorvane0.mid"}));
    EXPECT_FALSE(std::filesystem::exists(s.Temp / "qorvane3"));
    EXPECT_EQ(ReadAll(s.Temp / "qorvane4.mp3"), Bytes(100 + '1', '1'));
    EXPECT_EQ(target.Values.MusicCount, 5);
}

TEST(ReadPayload, AFirstMusicItemThatDoesNotOpenStopsBeforeTheInterval)
{
    SaverScenario s("music-unknown-first");
    PayloadDescription payload = ThreePictures();
    payload.music.push_back({Bytes(50, 1), 0x39});
    RecordingTarget target(s.Temp.string() + "/");
    EXPECT_FALSE(ReadPayload(s.Build(payload), target));
    EXPECT_EQ(target.Calls.back(), "music qorvane0") << "no extension for an unknown type";
    EXPECT_EQ(target.Values.PictureInterval, 0);
    EXPECT_EQ(target.Values.EnabledStyleCount, 0);
    EXPECT_EQ(target.Values.ItemCount, 3) << "what was read before stays";
}

TEST(ReadPayload, FlashMoviesAreWrittenLastFirstAndTheFirstIsLoaded)
{
    SaverScenario s("flash");
    PayloadDescription payload;
    payload.kind = PayloadKind::Flash;
    payload.items = {FlashMovieBytes(300), FlashMovieBytes(200)};
    payload.exitMode = 3;
    RecordingTarget target(s.Temp.string() + "/");
    ASSERT_TRUE(ReadPayload(s.Build(payload), target));
    EXPECT_EQ(target.Calls, (std::vector<std::string>{"flash visible", "write qorvane1.swf", "write qorvane0.swf",
                                                      "movie qorvane0.swf", "play movie"}));
    EXPECT_EQ(target.Values.PlayMode, TPlayMode::pmFlash);
    EXPECT_EQ(target.Values.ExitMode, TExitMode::emKeys);
}

TEST(ReadPayload, AFlashPayloadWithoutMoviesLoadsNothing)
{
    SaverScenario s("flash-empty");
    PayloadDescription payload;
    payload.kind = PayloadKind::Flash;
    payload.check = LayoutCheck::Unchecked;
    RecordingTarget target(s.Temp.string() + "/");
    ASSERT_TRUE(ReadPayload(s.Build(payload), target));
    EXPECT_EQ(target.Calls, (std::vector<std::string>{"flash visible"}));
}

TEST(ReadPayload, OnlyExcludedStylesIsTheOneReportedFailure)
{
    SaverScenario s("only-style-7");
    PayloadDescription payload = ThreePictures();
    payload.effectTable = EnableStyles({7});
    RecordingTarget target(s.Temp.string() + "/");
    EXPECT_TRUE(ReadPayload(s.Build(payload), target)) << "the reading itself carries on to its end";
    EXPECT_EQ(target.Calls.back(), std::string("error ") + kLoadEffectDataError);
}

TEST(ReadPayload, ASizeAreaPastItsHundredEntriesFailsBeforeAnyPicture)
{
    SaverScenario s("size-area");
    PayloadDescription payload = ThreePictures();
    payload.itemCount = 90;
    payload.musicMarker = 14;
    payload.musicCount = 20;
    payload.check = LayoutCheck::Unchecked;
    RecordingTarget target(s.Temp.string() + "/");
    EXPECT_FALSE(ReadPayload(s.Build(payload), target));
    for (const auto& call : target.Calls)
        EXPECT_EQ(call.find("write"), std::string::npos) << call;
    EXPECT_EQ(target.Values.ItemCount, 90);
}

// A picture block that is no JPEG costs only itself: one report, an empty
// file in its place, and the reading goes on to the end.
TEST(ReadPayload, APictureThatIsNotJpegCostsOnlyItself)
{
    SaverScenario s("not-jpeg");
    PayloadDescription payload = ThreePictures();
    payload.items[1] = Bytes(500, 0x42);
    payload.check = LayoutCheck::Unchecked;
    RecordingTarget target(s.Temp.string() + "/");
    DiagnosticCapture diagnostics;
    EXPECT_TRUE(ReadPayload(s.Build(payload), target));
    EXPECT_EQ(target.Values.SkippedPictures, (std::set<int32_t>{1}));
    EXPECT_EQ(std::filesystem::file_size(s.Temp / "fpics1.jpg"), 0u);
    EXPECT_GT(std::filesystem::file_size(s.Temp / "fpics0.jpg"), 0u);
    ASSERT_EQ(diagnostics.Lines.size(), 1u);
    EXPECT_NE(diagnostics.Lines[0].find("picture 1 skipped"), std::string::npos) << diagnostics.Lines[0];
}

TEST(ReadPayload, AFileTooShortForATrailerOrMissingFails)
{
    SaverScenario s("short");
    RecordingTarget target(s.Temp.string() + "/");
    const auto tiny = s.Dir / "tiny.scr";
    std::ofstream(tiny) << "MZ";
    EXPECT_FALSE(ReadPayload(tiny.string(), target));
    EXPECT_FALSE(ReadPayload((s.Dir / "absent.scr").string(), target));
    EXPECT_TRUE(target.Calls.empty());
}

TEST(ReadPayload, ASymbolicLinkPlantedAtAFileNameIsNotFollowed)
{
    SaverScenario s("symlink");
    const auto victim = s.Dir / "victim.txt";
    std::ofstream(victim) << "keep me";
    std::filesystem::create_symlink(victim, s.Temp / "fpics2.jpg");
    RecordingTarget target(s.Temp.string() + "/");
    EXPECT_FALSE(ReadPayload(s.Build(ThreePictures()), target));
    std::ifstream in(victim);
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "keep me");
}

TEST(ReadPayload, ExtractedFilesAreTheUsersOnly)
{
    SaverScenario s("modes");
    RecordingTarget target(s.Temp.string() + "/");
    ASSERT_TRUE(ReadPayload(s.Build(ThreePictures()), target));
    struct stat st{};
    ASSERT_EQ(::stat((s.Temp / "fpics0.jpg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}
