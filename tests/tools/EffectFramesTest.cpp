#include "core/Error.h"
#include "effect-frames/ContactSheet.h"
#include "effect-frames/EffectFrames.h"
#include "effect-frames/TestPictures.h"
#include "effect-frames/TransitionFrames.h"
#include "gdi/Bitmap.h"
#include "gdi/Jpeg.h"
#include "transitions/PSEffect.h"

#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace saver::test {

namespace {

struct RunResult {
    int code;
    std::string out;
    std::string err;
};

RunResult RunTool(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int code = RunEffectFrames(args, out, err);
    return {code, out.str(), err.str()};
}

// A PNG read back as RGB.
struct Image {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;

    [[nodiscard]] TColor At(int32_t x, int32_t y) const
    {
        const uint8_t* p = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
        return RGB(p[0], p[1], p[2]);
    }
};

Image ReadPng(const std::filesystem::path& path)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        ADD_FAILURE() << "cannot read " << path << ": " << image.message;
        return {};
    }
    image.format = PNG_FORMAT_RGB;
    Image result{int32_t(image.width), int32_t(image.height), std::vector<uint8_t>(PNG_IMAGE_SIZE(image))};
    if (!png_image_finish_read(&image, nullptr, result.rgb.data(), 0, nullptr)) {
        ADD_FAILURE() << "cannot decode " << path << ": " << image.message;
        return {};
    }
    return result;
}

// Positions where the image differs from the bitmap (or -1 for another size).
int64_t CountDifferences(const Image& image, const Bitmap& bitmap)
{
    if (image.width != bitmap.Width() || image.height != bitmap.Height())
        return -1;
    int64_t differences = 0;
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            differences += image.At(x, y) != bitmap.GetPixel(x, y);
    return differences;
}

bool SameRegion(const Bitmap& a, const Rect& inA, const Bitmap& b)
{
    for (int32_t y = 0; y < inA.Height(); ++y)
        for (int32_t x = 0; x < inA.Width(); ++x)
            if (a.GetPixel(inA.Left + x, inA.Top + y) != b.GetPixel(x, y))
                return false;
    return true;
}

std::set<TColor> ColoursIn(const Bitmap& bitmap, const Rect& r)
{
    std::set<TColor> colours;
    for (int32_t y = r.Top; y < r.Bottom; ++y)
        for (int32_t x = r.Left; x < r.Right; ++x)
            colours.insert(bitmap.GetPixel(x, y));
    return colours;
}

class EffectFramesTest : public testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        m_dir = std::filesystem::temp_directory_path() /
                ("effect-frames-" + std::to_string(::getpid()) + "-" + info->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    [[nodiscard]] std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    void WriteJpeg(const std::string& name, const Bitmap& picture) const
    {
        const std::vector<uint8_t> bytes = EncodeJpeg(picture, 95);
        std::ofstream(m_dir / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                            std::streamsize(bytes.size()));
    }

    std::filesystem::path m_dir;
};

} // namespace

TEST_F(EffectFramesTest, UsageErrorsExitTwoWithAMessageAndWriteNothing)
{
    const std::string out = Path("frames");
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"--style", "51", "--bogus", "--out", out}, "unknown option '--bogus'"},
        {{"--style", "151", "--out", out}, "no style 151"},
        {{"--style", "5x", "--out", out}, "bad style"},
        {{"--style", "-1", "--out", out}, "bad style"},
        {{"--style", "51", "--size", "0x5", "--out", out}, "bad size"},
        {{"--style", "51", "--size", "8193x600", "--out", out}, "bad size"},
        {{"--style", "51", "--size", "800*600", "--out", out}, "bad size"},
        {{"--style", "51", "--size", "800x", "--out", out}, "bad size"},
        {{"--style", "51", "--old", "#12345", "--out", out}, "bad colour"},
        {{"--style", "51", "--new", "#gg0000", "--out", out}, "bad colour"},
        {{"--style", "51", "--progress", "50,,60", "--out", out}, "bad progress"},
        {{"--style", "51", "--progress", "101", "--out", out}, "bad progress"},
        {{"--style", "51", "--progress", "50,", "--out", out}, "bad progress"},
        {{"--style", "51", "--progress", "-5", "--out", out}, "bad progress"},
        {{"--style", "51", "--step", "0", "--out", out}, "bad step"},
        {{"--style", "51", "--step", "101", "--out", out}, "bad step"},
        {{"--style", "51"}, "--out"},
        {{"--out", out, "--style"}, "--style needs a value"},
        {{"--out", out}, "give --style"},
        {{"--list", "--sheet"}, "cannot be combined"},
        {{"--list", "--style", "5"}, "--list takes no other options"},
        {{"--sheet", "--progress", "25,50", "--out", out}, "single progress"},
        {{"--sheet", "--size", "8x8", "--out", out}, "thumbnails"},
        {{"--sheet", "--style", "3", "--out", out}, "--style does not apply"},
    };
    for (const auto& c : cases) {
        const RunResult r = RunTool(c.args);
        std::string joined;
        for (const std::string& a : c.args)
            joined += a + ' ';
        EXPECT_EQ(r.code, EffectFramesUsageError) << joined;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << joined << "\n" << r.err;
        EXPECT_TRUE(r.out.empty()) << joined;
        EXPECT_FALSE(std::filesystem::exists(out)) << joined;
    }
    const RunResult help = RunTool({"--style", "999", "--help"});
    EXPECT_EQ(help.code, EffectFramesOk);
    EXPECT_NE(help.out.find("Usage:"), std::string::npos);
}

TEST_F(EffectFramesTest, FileErrorsExitOne)
{
    std::ofstream(m_dir / "text.jpg") << "not a picture";
    std::ofstream(m_dir / "plain") << "a file";
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"--style", "1", "--old", Path("missing.jpg"), "--out", Path("a")}, "cannot open the old picture"},
        {{"--style", "1", "--new", "purple", "--out", Path("a")}, "colours are black, white or #rrggbb"},
        {{"--style", "1", "--new", Path("text.jpg"), "--out", Path("a")}, "not a readable JPEG"},
        {{"--style", "1", "--size", "8x8", "--out", Path("plain/sub")}, "cannot create the folder"},
        {{"--sheet", "--out", Path("plain/sheet.png")}, "Cannot create"},
    };
    for (const auto& c : cases) {
        const RunResult r = RunTool(c.args);
        EXPECT_EQ(r.code, EffectFramesIoError) << c.args[3];
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
}

TEST_F(EffectFramesTest, ListShowsEveryStyleWithItsNameAndFamily)
{
    const RunResult r = RunTool({"--list"});
    ASSERT_EQ(r.code, EffectFramesOk) << r.err;
    std::istringstream lines(r.out);
    std::string line;
    unsigned count = 0;
    std::map<unsigned, std::string> names, families;
    while (std::getline(lines, line)) {
        ++count;
        const size_t tab1 = line.find('\t'), tab2 = line.rfind('\t');
        ASSERT_NE(tab1, tab2) << line;
        EXPECT_EQ(line.substr(0, tab1), std::to_string(count));
        names[count] = line.substr(tab1 + 1, tab2 - tab1 - 1);
        families[count] = line.substr(tab2 + 1);
    }
    EXPECT_EQ(count, 150u);
    EXPECT_EQ(names[1], "Expand from right");
    EXPECT_EQ(names[33], "Expand from bottom");
    EXPECT_EQ(names[51], "Appear and Contract to middle");
    EXPECT_EQ(names[76], "Unven shred from bottom");
    EXPECT_EQ(names[118], "Fade");
    EXPECT_EQ(names[150], "Rotational star");
    for (unsigned style = 1; style <= kLastShowStyle; ++style)
        EXPECT_EQ(families[style], StyleFamilyName(ShowStyles[style - 1].Family)) << style;
    EXPECT_EQ(families[57], "rectangles");
    EXPECT_EQ(families[99], "criss-cross");
    EXPECT_EQ(families[127], "random squares");
    EXPECT_EQ(families[150], "rotation");
}

// Style 51 at 50 on 800x600 stretches the centre 400x300 of the picture over
// (-400, -300, 1200, 900): the frame shows the new picture's middle 200x150,
// from (300, 225), magnified 4 times. Pixels 1 past a multiple of 4 sit well
// inside one source pixel whatever the stretch's rounding.
TEST_F(EffectFramesTest, ZoomFrameShowsTheNewPicturesCentreMagnifiedFourTimes)
{
    const RunResult r = RunTool({"--style", "51", "--progress", "0,50,100", "--size", "800x600", "--out", Path("f")});
    ASSERT_EQ(r.code, EffectFramesOk) << r.err;
    EXPECT_NE(r.out.find("style-051-p050.png"), std::string::npos);

    const auto oldPicture = MakeOldTestPicture(800, 600);
    const auto newPicture = MakeNewTestPicture(800, 600);
    EXPECT_EQ(CountDifferences(ReadPng(m_dir / "f/style-051-p000.png"), *oldPicture), 0);
    EXPECT_EQ(CountDifferences(ReadPng(m_dir / "f/style-051-p100.png"), *newPicture), 0);

    const Image frame = ReadPng(m_dir / "f/style-051-p050.png");
    ASSERT_EQ(frame.width, 800);
    ASSERT_EQ(frame.height, 600);
    int mismatches = 0;
    std::set<TColor> seen;
    for (int32_t y = 1; y < 600; y += 4)
        for (int32_t x = 1; x < 800; x += 4) {
            const TColor expected = newPicture->GetPixel(x / 4 + 300, y / 4 + 225);
            seen.insert(expected);
            if (frame.At(x, y) != expected && ++mismatches <= 5)
                ADD_FAILURE() << "frame (" << x << ", " << y << ")";
        }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(seen.size(), 10u); // the samples cover detail, not one flat colour
}

TEST_F(EffectFramesTest, JpegsKeepTheirSizeUnlessASizeIsGiven)
{
    WriteJpeg("new.jpg", *MakeNewTestPicture(64, 48));
    WriteJpeg("old.jpg", *MakeOldTestPicture(30, 20));
    Bitmap decoded;
    LoadJpegFile(Path("new.jpg"), decoded);

    ASSERT_EQ(RunTool({"--style", "5", "--progress", "100", "--new", Path("new.jpg"), "--out", Path("a")}).code, 0);
    EXPECT_EQ(CountDifferences(ReadPng(m_dir / "a/style-005-p100.png"), decoded), 0);

    ASSERT_EQ(RunTool({"--style", "5", "--progress", "0", "--old", Path("old.jpg"), "--new", Path("new.jpg"), "--out",
                   Path("b")})
                  .code,
              0);
    const Image stretchedOld = ReadPng(m_dir / "b/style-005-p000.png");
    EXPECT_EQ(stretchedOld.width, 64);
    EXPECT_EQ(stretchedOld.height, 48);

    ASSERT_EQ(RunTool({"--style", "5", "--old", Path("old.jpg"), "--out", Path("c")}).code, 0);
    EXPECT_EQ(ReadPng(m_dir / "c/style-005-p050.png").width, 30);

    ASSERT_EQ(RunTool({"--style", "5", "--size", "100x50", "--new", Path("new.jpg"), "--out", Path("d")}).code, 0);
    const Image sized = ReadPng(m_dir / "d/style-005-p050.png");
    EXPECT_EQ(sized.width, 100);
    EXPECT_EQ(sized.height, 50);
}

TEST_F(EffectFramesTest, SolidPicturesGiveACoverageMask)
{
    const RunResult r = RunTool({"--style", "1", "--old", "black", "--new", "#FFFFFF", "--size", "80x60", "--out",
                             Path("m")});
    ASSERT_EQ(r.code, EffectFramesOk) << r.err;
    const Image mask = ReadPng(m_dir / "m/style-001-p050.png");
    std::set<TColor> colours;
    for (int32_t y = 0; y < mask.height; ++y)
        for (int32_t x = 0; x < mask.width; ++x)
            colours.insert(mask.At(x, y));
    EXPECT_EQ(colours, (std::set<TColor>{clBlack, clWhite}));

    // Every copying style gives pure black and white; Fade blends by design.
    const auto black = MakeSolidPicture(80, 60, clBlack);
    const auto white = MakeSolidPicture(80, 60, clWhite);
    for (unsigned style = 1; style <= kLastShowStyle; ++style) {
        if (ShowStyles[style - 1].Family == StyleFamily::Fade)
            continue;
        TransitionFrames frames(*black, *white, style);
        for (const uint32_t progress : {1u, 25u, 50u, 75u, 99u}) {
            const Bitmap& frame = frames.Compose(4, progress);
            for (const TColor c : ColoursIn(frame, {0, 0, 80, 60}))
                ASSERT_TRUE(c == clBlack || c == clWhite) << "style " << int(style) << " progress " << progress;
        }
    }
}

TEST_F(EffectFramesTest, FramesAreComposedAsTheControlComposesThem)
{
    const auto oldPicture = MakeOldTestPicture(40, 30);
    const auto newPicture = MakeNewTestPicture(40, 30);
    for (const unsigned style : {0u, 5u, 117u, 118u, 122u, 123u, 150u}) {
        TransitionFrames frames(*oldPicture, *newPicture, style);
        const PixelFormat expected = StyleNeeds32Bit(style) ? PixelFormat::pf32bit : PixelFormat::pfDevice;
        EXPECT_EQ(frames.Frame().GetPixelFormat(), expected) << style;
        EXPECT_EQ(frames.NewImage().GetPixelFormat(), expected) << style;
        EXPECT_TRUE(SameRegion(frames.Compose(4, 0), {0, 0, 40, 30}, *oldPicture)) << style;
        EXPECT_TRUE(SameRegion(frames.Compose(4, 100), {0, 0, 40, 30}, *newPicture)) << style;
    }
    // Custom draws nothing in between; each frame starts again from the old image.
    TransitionFrames custom(*oldPicture, *newPicture, 0);
    EXPECT_TRUE(SameRegion(custom.Compose(4, 50), {0, 0, 40, 30}, *oldPicture));

    // Switching into the pixel styles converts once and never back.
    TransitionFrames switching(*oldPicture, *newPicture, 51);
    switching.SetStyle(119);
    EXPECT_EQ(switching.Frame().GetPixelFormat(), PixelFormat::pf32bit);
    switching.SetStyle(5);
    EXPECT_EQ(switching.NewImage().GetPixelFormat(), PixelFormat::pf32bit);
    EXPECT_THROW(switching.SetStyle(151), Exception);
    EXPECT_THROW(TransitionFrames(*oldPicture, *MakeNewTestPicture(41, 30), 1), Exception);
}

TEST_F(EffectFramesTest, BuiltInPicturesDifferEverywhereAndMarkTheirCorners)
{
    for (const Size size : {Size{800, 600}, Size{161, 97}, Size{3, 2}, Size{1, 1}}) {
        const auto oldPicture = MakeOldTestPicture(size.Width, size.Height);
        const auto newPicture = MakeNewTestPicture(size.Width, size.Height);
        for (int32_t y = 0; y < size.Height; ++y)
            for (int32_t x = 0; x < size.Width; ++x) {
                ASSERT_FALSE(IsNewTestPixel(oldPicture->GetPixel(x, y))) << x << ", " << y;
                ASSERT_TRUE(IsNewTestPixel(newPicture->GetPixel(x, y))) << x << ", " << y;
            }
    }
    // A mirrored or flipped copy shows: no corner equals the mirror image of
    // another, in either picture.
    for (const auto& picture : {MakeOldTestPicture(800, 600), MakeNewTestPicture(800, 600)}) {
        const int32_t b = 60;
        const auto cornerDiffers = [&](bool right, bool bottom) {
            for (int32_t y = 0; y < b; ++y)
                for (int32_t x = 0; x < b; ++x)
                    if (picture->GetPixel(x, y) !=
                        picture->GetPixel(right ? 799 - x : x, bottom ? 599 - y : y))
                        return true;
            return false;
        };
        EXPECT_TRUE(cornerDiffers(true, false));
        EXPECT_TRUE(cornerDiffers(false, true));
        EXPECT_TRUE(cornerDiffers(true, true));
    }
}

TEST_F(EffectFramesTest, ContactSheetHasALabelledFrameForEveryStyle)
{
    const Size thumb{48, 36};
    const auto oldPicture = MakeOldTestPicture(thumb.Width, thumb.Height);
    const auto newPicture = MakeNewTestPicture(thumb.Width, thumb.Height);
    const auto sheet = RenderContactSheet(*oldPicture, *newPicture, 4, 50);
    const SheetLayout layout = MakeSheetLayout(thumb);
    const Size size = SheetSize(layout);
    ASSERT_EQ(sheet->Width(), size.Width);
    ASSERT_EQ(sheet->Height(), size.Height);
    EXPECT_GE(size.Width, kSheetColumns * thumb.Width);
    EXPECT_GE(size.Height, kSheetRows * (thumb.Height + layout.LabelHeight));

    const Rect whole{0, 0, size.Width, size.Height};
    std::set<std::vector<TColor>> labels;
    for (unsigned style = 1; style <= kLastShowStyle; ++style) {
        const Rect cell = SheetThumbnailRect(layout, style), label = SheetLabelRect(layout, style);
        ASSERT_EQ(cell.Intersected(whole), cell) << style;
        ASSERT_EQ(label.Intersected(whole), label) << style;
        if (style > 1) {
            EXPECT_TRUE(cell.Intersected(SheetLabelRect(layout, style - 1)).IsEmpty()) << style;
        }
        EXPECT_GT(ColoursIn(*sheet, cell).size(), 10u) << style;

        EXPECT_EQ(ColoursIn(*sheet, label), (std::set<TColor>{kSheetLabelStrip, kSheetLabelInk})) << style;
        std::vector<TColor> ink;
        for (int32_t y = label.Top; y < label.Bottom; ++y)
            for (int32_t x = label.Left; x < label.Right; ++x)
                ink.push_back(sheet->GetPixel(x, y) == kSheetLabelInk);
        EXPECT_TRUE(labels.insert(ink).second) << "label of style " << style << " repeats another";
    }
    for (const unsigned style : {1u, 51u, 150u}) {
        TransitionFrames frames(*oldPicture, *newPicture, style);
        const Bitmap& frame = frames.Compose(4, 50);
        EXPECT_TRUE(SameRegion(*sheet, SheetThumbnailRect(layout, style), frame)) << style;
    }

    const RunResult r = RunTool({"--sheet", "--size", "48x36", "--out", Path("sheet.png")});
    ASSERT_EQ(r.code, EffectFramesOk) << r.err;
    EXPECT_EQ(CountDifferences(ReadPng(m_dir / "sheet.png"), *sheet), 0);
}

// The regression guard for everything the styles draw: the table of frame
// hashes stored with the tests, recomputed. A line that differs names the
// style, size, step and progress whose pixels changed.
TEST_F(EffectFramesTest, EveryStyleStillDrawsTheStoredFrames)
{
    std::ifstream file(SAVER_SOURCE_DIR "/tests/data/style-frame-hashes.txt");
    ASSERT_TRUE(file) << "the stored frame hashes are missing";
    std::vector<std::string> stored;
    for (std::string line; std::getline(file, line);)
        stored.push_back(line);
    const RunResult r = RunTool({"--hashes"});
    ASSERT_EQ(r.code, EffectFramesOk) << r.err;
    std::istringstream computed(r.out);
    size_t count = 0, differences = 0;
    for (std::string line; std::getline(computed, line); ++count) {
        const std::string expected = count < stored.size() ? stored[count] : "(no line)";
        if (line != expected && ++differences <= 10)
            ADD_FAILURE() << "frame changed: " << line << "\n   stored: " << expected;
    }
    EXPECT_EQ(differences, 0u);
    EXPECT_EQ(count, stored.size());
    EXPECT_EQ(count, 150u * 3 * 3 * 5);
}

} // namespace saver::test
