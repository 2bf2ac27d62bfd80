// A slideshow of the pictures cameras and editors write, as a user sees it
// on a 640x480 screen (small, so the sanitizer builds keep up): every decodable picture in its true colours and
// upright, the one that is no picture skipped with one report, and the
// show going on for a minute.

#include "SaverTestSupport.h"

#include <gtest/gtest.h>

using namespace saver;
using namespace saver::test;

namespace {

constexpr int32_t kW = 320, kH = 240;
constexpr TColor kQuarterColours[4] = {RGB(210, 40, 40), RGB(40, 180, 60), RGB(50, 60, 200), RGB(220, 210, 60)};

TColor UprightPixel(int32_t x, int32_t y) { return kQuarterColours[(y >= kH / 2) * 2 + (x >= kW / 2)]; }

Bytes Encoded(JpegColourSpace space, bool progressive = false)
{
    Bitmap upright(kW, kH, PixelFormat::pf24bit);
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x)
            upright.SetPixel(x, y, UprightPixel(x, y));
    JpegEncodeOptions options;
    options.ColourSpace = space;
    options.Progressive = progressive;
    return EncodeJpeg(upright, options);
}

// Stored as a phone stores a picture taken upright: turned a quarter
// anticlockwise, with orientation 6 saying to turn it back.
Bytes PhonePicture()
{
    Bitmap stored(kH, kW, PixelFormat::pf24bit);
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x)
            stored.SetPixel(y, kW - 1 - x, UprightPixel(x, y));
    JpegEncodeOptions options;
    options.ExifApp1 = ExifWithOrientation(6);
    return EncodeJpeg(stored, options);
}

int Grey(TColor c) { return (GetRValue(c) * 77 + GetGValue(c) * 150 + GetBValue(c) * 29 + 128) >> 8; }

TEST(CameraPictures, ShowUprightInTrueColoursAndTheBadOneIsSkipped)
{
    SaverScenario s("camera-pictures");
    s.Screen = {640, 480};
    PayloadDescription p;
    p.kind = PayloadKind::Picture;
    p.items = {Encoded(JpegColourSpace::jcCmyk), Encoded(JpegColourSpace::jcYcck),
               Encoded(JpegColourSpace::jcYCbCr, true), Encoded(JpegColourSpace::jcGrey), PhonePicture(),
               Bytes{'n', 'o', 't', ' ', 'a', ' ', 'J', 'P', 'E', 'G'}};
    const bool grey[] = {false, false, false, true, false};
    p.check = LayoutCheck::Unchecked;
    p.pictureInterval = 3;
    p.effectTable = EnableStyles({5, 52, 118});
    DiagnosticCapture diagnostics;
    SaverRun run(s, s.Build(p));

    int completed = 0;
    bool shown = false;
    run.Form->PicShow1->OnComplete = [&](Component*) { shown = true; };
    for (uint64_t t = 250; t <= 60000; t += 250) {
        run.H.RunUntil(t);
        if (!shown)
            continue;
        shown = false;
        const int picture = completed++ % 5;
        const Bitmap& screen = run.H.Backend->Screen();
        const int32_t left = (640 - kW) / 2, top = (480 - kH) / 2;
        for (int q = 0; q < 4; ++q) {
            const int32_t x = kW / 4 + (q % 2) * kW / 2, y = kH / 4 + (q / 2) * kH / 2;
            const TColor want = grey[picture] ? RGB(Grey(UprightPixel(x, y)), Grey(UprightPixel(x, y)),
                                                    Grey(UprightPixel(x, y)))
                                              : UprightPixel(x, y);
            const TColor got = screen.GetPixel(left + x, top + y);
            for (const auto channel : {GetRValue, GetGValue, GetBValue})
                EXPECT_LE(std::abs(channel(want) - channel(got)), 8)
                    << "picture " << picture << " quarter " << q << " at " << t << " ms";
        }
    }
    EXPECT_GE(completed, 14) << "a picture every four seconds or so, for a minute";
    EXPECT_TRUE(run.H.Backend->MessageBoxes().empty());
    ASSERT_EQ(diagnostics.Lines.size(), 1u);
    EXPECT_NE(diagnostics.Lines[0].find("picture 5 skipped"), std::string::npos) << diagnostics.Lines[0];
}

} // namespace
