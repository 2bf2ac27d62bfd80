// aatext-render: arguments, and one tagged line placed as the text control
// places it.
#include "aatext-render/AATextRender.h"

#include "AATextTestSupport.h"

#include <filesystem>
#include <sstream>

namespace saver {
namespace {

using test::BoxGlyphRenderer;
using test::ScopedGlyphRenderer;

TEST(AATextRenderTest, BadArgumentsExplainThemselves)
{
    const std::vector<std::vector<std::string>> cases{
        {},
        {"--text", "a", "--size", "400x", "--out", "t.png"},
        {"--text", "a", "--size", "0x60", "--out", "t.png"},
        {"--text", "a", "--size", "400x60"},
        {"--text", "a", "--size", "400x60", "--out", "t.png", "--quality", "best"},
        {"--text", "a", "--size", "400x60", "--out", "t.png", "--background", "fff"},
        {"--text", "a", "--size", "400x60", "--out"},
        {"--txt", "a"},
    };
    for (const auto& args : cases) {
        std::ostringstream out, err;
        EXPECT_EQ(RunAATextRender(args, out, err), AATextRenderUsageError) << err.str();
        EXPECT_NE(err.str().find("usage: aatext-render"), std::string::npos);
    }
    std::ostringstream out, err;
    EXPECT_EQ(RunAATextRender({"--text", "a", "--size", "4x4", "--out", "/nonexistent/dir/t.png"}, out, err),
              AATextRenderIoError);
}

TEST(AATextRenderTest, WritesThePng)
{
    const std::string path = (std::filesystem::path(::testing::TempDir()) / "aatext-render-test.png").string();
    std::ostringstream out, err;
    ASSERT_EQ(RunAATextRender({"--text", "<Title4><Center>Hello", "--size", "40x20", "--out", path,
                               "--background", "#102030", "--quality", "high"},
                              out, err),
              AATextRenderOk)
        << err.str();
    EXPECT_GT(std::filesystem::file_size(path), 0u);
    std::filesystem::remove(path);
}

TEST(AATextRenderTest, CentredLineInTheTaggedFont)
{
    // Text1: 12-pixel em boxes, no shadow; "ab" is 24 x 12 at (38, 4).
    BoxGlyphRenderer renderer;
    ScopedGlyphRenderer installed(renderer);
    Bitmap bitmap(100, 20, PixelFormat::pf24bit);
    RenderTaggedLine(bitmap, "<Text1><Center>ab", clWhite, TAAQuality::aqNormal);
    EXPECT_EQ(bitmap.GetPixel(38, 4), RGB(1, 1, 1));
    EXPECT_EQ(bitmap.GetPixel(61, 15), RGB(1, 1, 1));
    EXPECT_EQ(bitmap.GetPixel(37, 4), clWhite);
    EXPECT_EQ(bitmap.GetPixel(62, 15), clWhite);
    EXPECT_EQ(bitmap.GetPixel(40, 16), clWhite);
}

} // namespace
} // namespace saver
