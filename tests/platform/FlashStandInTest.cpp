#include "HeadlessTestSupport.h"
#include "PlatformTestFiles.h"
#include "core/Error.h"
#include "gdi/Bitmap.h"
#include "gdi/Canvas.h"
#include "platform/FlashStandIn.h"
#include "platform/RuffleFlash.h"
#include "platform/SwfHeader.h"

#include <gtest/gtest.h>

#include <fstream>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace saver;
using namespace saver::test;

namespace {

std::string ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.what();
    }
    return "(no exception)";
}

// ------------------------------------------------------------ header reader

class SwfHeaderForms : public ::testing::TestWithParam<char> {};

// Every storage form yields the same header, read from generated movies.
TEST_P(SwfHeaderForms, ReadsStageRateCountAndBackground)
{
    MovieRecipe recipe;
    recipe.Compression = GetParam();
    recipe.WidthTwips = 640 * 20;
    recipe.HeightTwips = 360 * 20;
    recipe.FrameRate = 0x1780; // 23.5 frames a second
    recipe.FrameCount = 4321;
    recipe.Background = RGB(0x12, 0x34, 0x56);
    recipe.LongTagBeforeBackground = true;
    const std::string path = WriteFile(ScratchDir() / "movie.swf", MakeMovie(recipe));

    const SwfHeader h = ReadSwfHeader(path);
    EXPECT_EQ(h.Compression, GetParam());
    EXPECT_EQ(h.Version, 10);
    EXPECT_EQ(h.StagePixels(), (Size{640, 360}));
    EXPECT_EQ(h.FrameRate, 0x1780);
    EXPECT_EQ(h.FrameCount, 4321);
    ASSERT_TRUE(h.Background.has_value());
    EXPECT_EQ(*h.Background, RGB(0x12, 0x34, 0x56));
}

TEST_P(SwfHeaderForms, BackgroundOnlyWhenSetBeforeTheFirstFrame)
{
    MovieRecipe recipe;
    recipe.Compression = GetParam();
    EXPECT_FALSE(ParseSwfHeader(MakeMovie(recipe), "none").Background.has_value());
    recipe.Background = clRed;
    recipe.BackgroundAfterFirstFrame = true;
    EXPECT_FALSE(ParseSwfHeader(MakeMovie(recipe), "late").Background.has_value());
}

// Cutting a movie anywhere inside its header is an error that says so, never
// a crash or a made-up header.
TEST_P(SwfHeaderForms, TruncatedHeaderIsAnError)
{
    MovieRecipe recipe;
    recipe.Compression = GetParam();
    const Bytes movie = MakeMovie(recipe);
    // Uncompressed, the header ends 8 + 9 (rectangle) + 4 bytes in; the
    // compressed forms hold it in their first bytes of data.
    const size_t keepMax = GetParam() == 'F' ? 8 + 9 + 4 : 12;
    for (size_t keep = 3; keep < keepMax; ++keep) {
        const Bytes cut(movie.begin(), movie.begin() + long(keep));
        const std::string error = ErrorOf([&] { (void)ParseSwfHeader(cut, "cut.swf"); });
        EXPECT_NE(error.find("cut.swf"), std::string::npos) << "kept " << keep << ": " << error;
        EXPECT_TRUE(error.find("truncated") != std::string::npos || error.find("damaged") != std::string::npos)
            << "kept " << keep << ": " << error;
    }
}

INSTANTIATE_TEST_SUITE_P(Compressions, SwfHeaderForms, ::testing::Values('F', 'C', 'Z'),
                         [](const auto& info) { return std::string(1, info.param) + "WS"; });

// Found by fuzzing: the LZMA properties name a dictionary size, and the
// decoder reserved whatever they asked for, up to 4 GiB. No more than the
// start of a movie is ever decoded, so one asking for 2 GiB must read within
// half a gigabyte more address space than the process holds already.
TEST(SwfHeader, AHugeLzmaDictionaryIsNotReserved)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers reserve far more address space than any limit here";
#else
    MovieRecipe recipe;
    recipe.Compression = 'Z';
    Bytes movie = MakeMovie(recipe);
    // At 12: the LZMA properties, one byte of coder settings, then the
    // dictionary size.
    for (int i = 0; i < 4; ++i)
        movie[size_t(13 + i)] = uint8_t(0x80000000u >> (8 * i));
    long sizeKb = 0;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmSize:", 0) == 0)
            sizeKb = std::strtol(line.c_str() + 7, nullptr, 10);
    ASSERT_GT(sizeKb, 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlim_t limit = rlim_t(sizeKb) * 1024 + (rlim_t(512) << 20);
        const rlimit space{limit, limit};
        if (::setrlimit(RLIMIT_AS, &space) != 0)
            ::_exit(3);
        try {
            ::_exit(ParseSwfHeader(movie, "huge.swf").FrameCount == recipe.FrameCount ? 0 : 2);
        } catch (...) {
            ::_exit(1);
        }
    }
    int result = 0;
    ASSERT_EQ(::waitpid(child, &result, 0), child);
    ASSERT_TRUE(WIFEXITED(result));
    EXPECT_EQ(WEXITSTATUS(result), 0) << "1: the header did not read, 2: a wrong frame count";
#endif
}

TEST(SwfHeader, RejectsFilesThatAreNotMovies)
{
    const auto dir = ScratchDir();
    const std::string text = WriteFile(dir / "notes.swf", {'h', 'e', 'l', 'l', 'o', '\n'});
    EXPECT_NE(ErrorOf([&] { (void)ReadSwfHeader(text); }).find("is not a Flash movie"), std::string::npos);
    EXPECT_NE(ErrorOf([&] { (void)ReadSwfHeader((dir / "missing.swf").string()); }).find("no such file"),
              std::string::npos);
    EXPECT_NE(ErrorOf([&] { (void)ReadSwfHeader(dir.string()); }).find("not a regular file"), std::string::npos);
    // A zlib signature in front of bytes that are no zlib stream.
    Bytes fake = {'C', 'W', 'S', 9, 100, 0, 0, 0};
    for (int i = 0; i < 64; ++i)
        fake.push_back(uint8_t(i * 37));
    EXPECT_NE(ErrorOf([&] { (void)ParseSwfHeader(fake, "fake"); }).find("damaged"), std::string::npos);
}

// -------------------------------------------------------------- frame clock

struct StandInFixture : ::testing::Test {
    HeadlessApp h;
    FlashStandIn flash{h.App->GetClock()};

    void Load(const MovieRecipe& recipe) { flash.LoadMovie(WriteFile(ScratchDir() / "m.swf", MakeMovie(recipe))); }
    int32_t FrameAt(uint64_t ms)
    {
        h.RunUntil(ms);
        return flash.CurrentFrame();
    }
};

TEST_F(StandInFixture, FramesCountFromOneAtTheMovieRateAndHoldTheLast)
{
    MovieRecipe recipe;
    recipe.FrameRate = 12 << 8; // a frame every 83.33 ms
    recipe.FrameCount = 10;
    Load(recipe);
    EXPECT_EQ(flash.TotalFrames(), 10);
    EXPECT_EQ(flash.CurrentFrame(), 1) << "loaded, not yet playing";
    h.RunUntil(500);
    EXPECT_EQ(flash.CurrentFrame(), 1) << "time before Play does not count";
    flash.Play();
    EXPECT_EQ(FrameAt(500 + 83), 1);
    EXPECT_EQ(FrameAt(500 + 84), 2);
    EXPECT_EQ(FrameAt(500 + 749), 9);
    EXPECT_EQ(FrameAt(500 + 750), 10);
    EXPECT_EQ(FrameAt(500 + 833), 10);
    EXPECT_EQ(FrameAt(500 + 834), 10) << "the last frame holds";
    EXPECT_EQ(FrameAt(500 + 10 * 834), 10);
}

TEST_F(StandInFixture, FractionalRateAndLoadingRestartsTheClock)
{
    MovieRecipe recipe;
    recipe.FrameRate = 0x0180; // 1.5 frames a second
    recipe.FrameCount = 400;
    Load(recipe);
    flash.Play();
    EXPECT_EQ(FrameAt(1999), 3);
    EXPECT_EQ(FrameAt(2000), 4);
    Load(recipe);
    EXPECT_EQ(flash.CurrentFrame(), 1);
    flash.Play();
    EXPECT_EQ(FrameAt(2000 + 667), 2);
}

TEST_F(StandInFixture, FailedLoadLeavesNoMovie)
{
    Load(MovieRecipe{});
    flash.Play();
    EXPECT_THROW(flash.LoadMovie((ScratchDir() / "gone.swf").string()), Exception);
    EXPECT_EQ(flash.TotalFrames(), 0);
    EXPECT_EQ(flash.CurrentFrame(), 0);
    Bitmap bitmap(8, 8, PixelFormat::pf32bit);
    bitmap.GetCanvas().Brush.Color = clWhite;
    bitmap.GetCanvas().FillRect({0, 0, 8, 8});
    flash.Paint(bitmap.GetCanvas(), {0, 0, 8, 8});
    EXPECT_EQ(bitmap.GetPixel(4, 4), clBlack) << "no movie: nothing plays";
}

// Paint shows the background colour and a marker that moves with the frames.
TEST_F(StandInFixture, PaintShowsBackgroundAndAMovingMarker)
{
    MovieRecipe recipe;
    recipe.WidthTwips = 200 * 20; // 2:1 stage in a 400x300 client: 400x200, centred
    recipe.HeightTwips = 100 * 20;
    recipe.FrameRate = 1 << 8;
    recipe.FrameCount = 5;
    recipe.Background = RGB(0, 0, 160);
    Load(recipe);
    EXPECT_EQ(flash.StageRect({0, 0, 400, 300}), (Rect{0, 50, 400, 250}));

    Bitmap bitmap(400, 300, PixelFormat::pf32bit);
    const auto markerColumns = [&] {
        flash.Paint(bitmap.GetCanvas(), {0, 0, 400, 300});
        std::vector<int32_t> xs;
        for (int32_t x = 0; x < 400; ++x)
            if (bitmap.GetPixel(x, 150) != RGB(0, 0, 160))
                xs.push_back(x);
        EXPECT_EQ(bitmap.GetPixel(5, 5), RGB(0, 0, 160)) << "outside the stage: background too";
        return xs;
    };
    flash.Play();
    const std::vector<int32_t> first = markerColumns();
    ASSERT_EQ(first.size(), 20u) << "a square a tenth of the 200-pixel stage height";
    EXPECT_EQ(first.front(), 0);
    EXPECT_EQ(bitmap.GetPixel(first.front(), 150), clWhite) << "white stands out from dark blue";
    h.RunUntil(4000); // the last frame: the marker at the right edge
    const std::vector<int32_t> last = markerColumns();
    ASSERT_EQ(last.size(), 20u);
    EXPECT_EQ(last.back(), 399);
}

// ------------------------------------------------------ real player or not

// The stand-in takes over, with the reason, until the first place that has
// the player program also has its page, Ruffle's script and its WebAssembly.
TEST(FlashPlayerFiles, ThePlayerIsUsedOnlyWithAllOfItsFiles)
{
    const auto dir = ScratchDir();
    const FlashPlayerFiles none{dir / "nowhere/saver-flash-player", dir / "nowhere/flash-player"};
    const FlashPlayerFiles here{dir / "saver-flash-player", dir / "flash-player"};
    const auto reason = [](const std::variant<FlashPlayerFiles, std::string>& found) {
        return found.index() == 1 ? std::get<std::string>(found) : std::string("(found)");
    };
    EXPECT_NE(reason(LocateFlashPlayer({none, here})).find("saver-flash-player is not installed"), std::string::npos);
    WriteFile(here.Program, {'#', '!'});
    EXPECT_NE(reason(LocateFlashPlayer({none, here})).find("not installed"), std::string::npos)
        << "a program that cannot run is no player";
    std::filesystem::permissions(here.Program, std::filesystem::perms::owner_exec, std::filesystem::perm_options::add);
    std::filesystem::create_directories(here.Data / "ruffle");
    WriteFile(here.Data / "index.html", {});
    WriteFile(here.Data / "player.js", {});
    EXPECT_NE(reason(LocateFlashPlayer({none, here})).find("Ruffle's files are missing (no "), std::string::npos);
    WriteFile(here.Data / "ruffle/ruffle.js", {});
    EXPECT_NE(reason(LocateFlashPlayer({none, here})).find("no WebAssembly"), std::string::npos);
    WriteFile(here.Data / "ruffle/0123.wasm", {});
    const auto found = LocateFlashPlayer({none, here});
    ASSERT_EQ(reason(found), "(found)");
    EXPECT_EQ(std::get<FlashPlayerFiles>(found).Data, here.Data);
}

} // namespace
