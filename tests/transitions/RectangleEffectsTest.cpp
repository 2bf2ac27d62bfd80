#include "EffectTestSupport.h"
#include "gdi/Canvas.h"
#include "transitions/effects/RectangleEffects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

using namespace saver;
using namespace saver::test;

namespace {

using Copies = std::vector<RectCopy>;

RectCopy Same(Rect r) { return {r, r}; }
RectCopy MirrorH(Rect d, Rect s) { return {d, s, true, false}; }
constexpr Rect kWhole{0, 0, 800, 600};

Copies CopiesOf(TShowStyle style, int32_t w, int32_t h, uint32_t step, uint32_t progress)
{
    return RectangleCopies(style, CalcProgressMetrics({0, 0, w, h}, step, progress));
}

} // namespace

TEST(RectangleCopies, WorkedExamples)
{
    const struct {
        TShowStyle Style;
        int32_t W, H;
        uint32_t Step, Progress;
        Copies Expected;
    } cases[] = {
        // One member per family at 50% (PW 400, PH 300, K 36).
        {1, 800, 600, 4, 50, {{{400, 0, 800, 600}, kWhole}}},
        {3, 800, 600, 4, 50, {{{400, 0, 1200, 600}, kWhole}}},
        {5, 800, 600, 4, 50, {Same({0, 0, 400, 600})}},
        {51, 800, 600, 4, 50, {{{-400, -300, 1200, 900}, {200, 150, 600, 450}}}},
        {14, 800, 600, 4, 50, {MirrorH({400, 0, 480, 600}, {480, 0, 560, 600}), Same({0, 0, 400, 600})}},
        {16, 800, 600, 4, 50, {Same({0, 0, 400, 600}), {{400, 0, 800, 600}, {400, 0, 422, 600}}}},
        // The roll: half the unrolled part at 10%, half the rest at 90%,
        // where the mirrored source ends exactly at the picture's edge.
        {14, 800, 600, 4, 10, {MirrorH({80, 0, 120, 600}, {120, 0, 160, 600}), Same({0, 0, 80, 600})}},
        {14, 800, 600, 4, 90, {MirrorH({720, 0, 760, 600}, {760, 0, 800, 600}), Same({0, 0, 720, 600})}},
        // The build-up strip: Step 1 gives K 9 and 88 pixels, Step 20 K 178
        // and 4 pixels.
        {16, 800, 600, 1, 50, {Same({0, 0, 400, 600}), {{400, 0, 800, 600}, {400, 0, 488, 600}}}},
        {16, 800, 600, 20, 50, {Same({0, 0, 400, 600}), {{400, 0, 800, 600}, {400, 0, 404, 600}}}},
        // Styles 18 to 34 are 1 to 17 along y; 33 and 34 are build-ups.
        {18, 800, 600, 4, 50, {{{0, 300, 800, 600}, kWhole}}},
        {31, 800, 600, 4, 10, {{{0, 60, 800, 90}, {0, 90, 800, 120}, false, true}, Same({0, 0, 800, 60})}},
        // 44 x 30 at Step 1 has K 0, taken as 1: the strip is the whole rest.
        {16, 44, 30, 1, 50, {Same({0, 0, 22, 30}), {{22, 0, 44, 30}, {22, 0, 44, 30}}}},
        {17, 44, 30, 1, 50, {Same({22, 0, 44, 30}), {{0, 0, 22, 30}, {0, 0, 22, 30}}}},
        {33, 44, 30, 1, 50, {Same({0, 0, 44, 15}), {{0, 15, 44, 30}, {0, 15, 44, 30}}}},
        {34, 44, 30, 1, 50, {Same({0, 15, 44, 30}), {{0, 0, 44, 15}, {0, 0, 44, 15}}}},
        // Multi-piece off-by-ones: 12 and 55 one pixel wider than 54 and 56.
        {12, 800, 600, 4, 50, {Same({0, 0, 201, 600}), Same({599, 0, 800, 600})}},
        {54, 800, 600, 4, 50,
         {Same({0, 0, 800, 150}), Same({0, 450, 800, 600}), Same({0, 0, 200, 600}), Same({600, 0, 800, 600})}},
        {55, 800, 600, 4, 50,
         {Same({0, 0, 201, 151}), Same({0, 449, 201, 600}), Same({599, 449, 800, 600}), Same({599, 0, 800, 151})}},
        {56, 800, 600, 4, 50,
         {{{0, 0, 201, 151}, {0, 0, 401, 301}},
          {{0, 450, 201, 600}, {0, 301, 401, 600}},
          {{600, 450, 800, 600}, {401, 301, 800, 600}},
          {{600, 0, 800, 151}, {401, 0, 800, 301}}}},
        // PW 264, PH 198: (264 - 801) / 2 = -268 and (198 - 601) / 2 = -201
        // truncate toward zero.
        {57, 801, 601, 4, 33,
         {{{-268, 0, 133, 301}, {0, 0, 401, 301}},
          {{399, -201, 801, 100}, {399, 0, 801, 301}},
          {{669, 299, 1069, 601}, {401, 299, 801, 601}},
          {{0, 502, 401, 802}, {0, 301, 401, 601}}}},
        // At 25% start and end lengths differ (PW 200, W - PW 600), so any
        // swapped edge of the horizontal styles shows.
        {2, 800, 600, 4, 25, {{{0, 0, 200, 600}, kWhole}}},
        {4, 800, 600, 4, 25, {{{-600, 0, 200, 600}, kWhole}}},
        {6, 800, 600, 4, 25, {Same({600, 0, 800, 600})}},
        {7, 800, 600, 4, 25, {{{0, 0, 1400, 600}, {0, 0, 200, 600}}}},
        {8, 800, 600, 4, 25, {{{-600, 0, 800, 600}, {600, 0, 800, 600}}}},
        {9, 800, 600, 4, 25, {{{-600, 0, 1400, 600}, {300, 0, 500, 600}}}},
        {10, 800, 600, 4, 25, {{{300, 0, 500, 600}, kWhole}}},
        {11, 800, 600, 4, 25, {Same({300, 0, 500, 600})}},
        {13, 800, 600, 4, 25, {{{0, 0, 101, 600}, {0, 0, 401, 600}}, {{699, 0, 800, 600}, {400, 0, 800, 600}}}},
        {15, 800, 600, 4, 25, {MirrorH({520, 0, 600, 600}, {440, 0, 520, 600}), Same({600, 0, 800, 600})}},
        {17, 800, 600, 4, 25, {Same({600, 0, 800, 600}), {{0, 0, 600, 600}, {578, 0, 600, 600}}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CopiesOf(c.Style, c.W, c.H, c.Step, c.Progress), c.Expected)
            << "style " << int(c.Style) << " at " << c.Progress << "% step " << c.Step;
}

TEST(RectangleCopies, CornerStylesJoinAHorizontalAndAVerticalEdgeStyle)
{
    // "Slide in from top right" (40) is "Slide in from right" (3) along x
    // and "Slide in from top" (21) along y; likewise for every corner.
    const struct {
        TShowStyle Corner, AlongX, AlongY;
    } joins[] = {{35, 1, 18}, {36, 1, 19}, {37, 2, 19}, {38, 2, 18}, {39, 3, 20}, {40, 3, 21}, {41, 4, 21},
                 {42, 4, 20}, {43, 5, 22}, {44, 5, 23}, {45, 6, 23}, {46, 6, 22}, {47, 7, 24}, {48, 7, 25},
                 {49, 8, 25}, {50, 8, 24}, {51, 9, 26}, {52, 10, 27}, {53, 11, 28}};
    const ProgressMetrics m = CalcProgressMetrics({0, 0, 800, 600}, 4, 25);
    for (const auto& j : joins) {
        const RectCopy x = RectangleCopies(j.AlongX, m).at(0), y = RectangleCopies(j.AlongY, m).at(0);
        const RectCopy joined{{x.Dest.Left, y.Dest.Top, x.Dest.Right, y.Dest.Bottom},
                              {x.Source.Left, y.Source.Top, x.Source.Right, y.Source.Bottom}};
        EXPECT_EQ(RectangleCopies(j.Corner, m), Copies{joined}) << "style " << int(j.Corner);
    }
}

namespace {

// The row padding of the 24-bit frame holds a canary no copy may touch.
constexpr uint8_t kCanary = 0xC5;

size_t PaddingStart(const Bitmap& b) { return size_t(b.Width()) * 3; }

// Draws one frame through the style table on a fresh old image and checks
// what every frame must keep: bitmap, canvas state and the canary.
std::unique_ptr<Bitmap> DrawFrame(TShowStyle style, const Rect& frame, const Bitmap& picture, uint32_t step,
                                  uint32_t progress, int32_t screenWidth, int32_t screenHeight)
{
    auto screen = MakeOldImage(screenWidth, screenHeight);
    for (int32_t y = 0; y < screenHeight; ++y)
        std::memset(screen->ScanLine(y) + PaddingStart(*screen), kCanary, screen->Stride() - PaddingStart(*screen));
    ShowStyles[style - 1].Proc(*screen, picture, frame, step, progress);
    EXPECT_EQ(screen->Width(), screenWidth);
    EXPECT_EQ(screen->Height(), screenHeight);
    EXPECT_EQ(screen->GetPixelFormat(), PixelFormat::pf24bit);
    EXPECT_EQ(screen->GetCanvas().GetStretchBltMode(), StretchMode::BLACKONWHITE);
    EXPECT_FALSE(screen->GetCanvas().ClipRegion().has_value());
    for (int32_t y = 0; y < screenHeight; ++y)
        for (size_t i = PaddingStart(*screen); i < screen->Stride(); ++i)
            EXPECT_EQ(screen->ScanLine(y)[i], kCanary) << "row " << y << " padding byte " << i;
    return screen;
}

// Where a copy writes. A flipped destination becomes (right + 1, left - 1),
// a negative extent covering left .. right + 1.
Rect WrittenArea(const RectCopy& c, const Bitmap& picture)
{
    if (c.Source.Intersected({0, 0, picture.Width(), picture.Height()}).IsEmpty() || c.Dest.IsEmpty())
        return {};
    return {c.Dest.Left, c.Dest.Top, c.Dest.Right + (c.FlipHorizontally ? 2 : 0),
            c.Dest.Bottom + (c.FlipVertically ? 2 : 0)};
}

} // namespace

class RectangleStyleFrames : public testing::TestWithParam<TShowStyle> {
protected:
    TShowStyle Style() const { return TShowStyle(GetParam()); }
};

TEST_P(RectangleStyleFrames, DrawExactlyWhereTheirCopiesGoAndAlwaysTheSame)
{
    // Odd widths leave row padding for the canary. On tiny frames K is 0 and
    // a source may reach past the picture, which shortens its copy, so
    // there only the old image outside the copies is checked.
    const struct {
        int32_t W, H;
        bool Tiny;
    } sizes[] = {{161, 121, false}, {121, 161, false}, {45, 44, false}, {44, 45, false}, {61, 37, false},
                 {2, 3, true},      {1, 1, true},      {1, 200, true},  {201, 1, true}};
    for (const auto& size : sizes) {
        const auto picture = MakePicture(size.W, size.H);
        const Rect frame{0, 0, size.W, size.H};
        for (const uint32_t step : {1u, 4u, 100u})
            for (const uint32_t progress : {1u, 13u, 50u, 87u, 99u}) {
                SCOPED_TRACE(testing::Message() << frame << " step " << step << " progress " << progress);
                const auto screen = DrawFrame(Style(), frame, *picture, step, progress, size.W, size.H);
                EXPECT_TRUE(SamePixels(*screen, *DrawFrame(Style(), frame, *picture, step, progress, size.W, size.H)));

                std::vector<bool> covered(size_t(size.W) * size.H, false);
                for (const RectCopy& c : RectangleCopies(Style(), CalcProgressMetrics(frame, step, progress))) {
                    const Rect area = WrittenArea(c, *picture).Intersected(frame);
                    for (int32_t y = area.Top; y < area.Bottom; ++y)
                        std::fill_n(covered.begin() + y * size.W + area.Left, area.Width(), true);
                }
                int failures = 0;
                for (int32_t y = 0; y < size.H; ++y)
                    for (int32_t x = 0; x < size.W; ++x) {
                        const TColor pixel = screen->GetPixel(x, y);
                        const bool ok = covered[size_t(y) * size.W + x]
                                            ? size.Tiny || IsFromPicture(pixel)
                                            : pixel == kOldColor;
                        if (!ok && failures++ < 5)
                            ADD_FAILURE() << "pixel (" << x << "," << y << ") " << std::hex << pixel
                                          << (covered[size_t(y) * size.W + x] ? " not written" : " written");
                    }
            }
    }
}

TEST_P(RectangleStyleFrames, BadInputNeitherCrashesNorWritesOutsideTheFrame)
{
    const auto picture = MakePicture(45, 44);
    const auto smallPicture = MakePicture(7, 3);
    for (const Rect& frame : {Rect{0, 0, 45, 44}, Rect{0, 0, 90, 88}, Rect{10, 10, 0, 0},
                              Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, Rect{0, 0, INT_MAX, 44}})
        for (const uint32_t step : {0u, 4u, 0xFFFFFFFFu})
            for (const uint32_t progress : {0u, 100u, 1000u, 0x80000000u, 0xFFFFFFFFu}) {
                SCOPED_TRACE(testing::Message() << frame << " step " << step << " progress " << progress);
                DrawFrame(Style(), frame, *picture, step, progress, 45, 44);
                DrawFrame(Style(), frame, *smallPicture, step, progress, 45, 44);
            }
}

INSTANTIATE_TEST_SUITE_P(AllRectangleStyles, RectangleStyleFrames,
                         testing::ValuesIn(StylesWhere([](const TShowStyleEntry& row) {
                             return row.Family == StyleFamily::Rectangles;
                         })),
                         [](const testing::TestParamInfo<TShowStyle>& info) {
                             // "Slide in from top / bottom" -> Style29_SlideInFromTopBottom
                             std::string name = (info.param < 10 ? "Style0" : "Style") + std::to_string(info.param);
                             name += '_';
                             bool wordStart = true;
                             for (const unsigned char c : ShowStyles[info.param - 1].Name) {
                                 if (std::isalnum(c))
                                     name += char(wordStart ? std::toupper(c) : c);
                                 wordStart = !std::isalnum(c);
                             }
                             return name;
                         });
