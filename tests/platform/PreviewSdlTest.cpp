// The preview on the SDL backend inside a window of another program, as a
// screensaver host shows it: the banner's pixels reach the host window.
#include "ForeignWindow.h"
#include "TestDisplay.h"
#include "gui/Application.h"
#include "gui/backend/sdl/SdlBackend.h"
#include "saver/Unitprewin.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

using namespace saver;

namespace {

// Asks the X server, so it sees what the host window really shows: the
// white preview window, and text in a row through the middle of the banner
// (top 24, height 34). The host itself is black.
bool BannerVisible(test::ForeignWindow& host)
{
    if (host.PixelAt(10, 10) != clWhite)
        return false;
    for (int32_t x = 0; x < 145; ++x) {
        const TColor c = host.PixelAt(x, 41);
        if (c != clWhite && c != clBlack)
            return true;
    }
    return false;
}

TEST(PreviewOnSdl, BannerAppearsInsideTheHostWindow)
{
    const std::string why = test::EnsureTestDisplay();
    if (!why.empty())
        GTEST_SKIP() << "the SDL backend needs an X display: " << why;
    std::ostringstream log;
    SdlBackend backend(log);
    Application app(backend);
    test::ForeignWindow host(40, 30, 200, 150);
    ASSERT_NE(host.Handle(), 0u);

    // The X server answers asynchronously; two seconds of wall time are far
    // more than a window needs to appear.
    const auto deadline = [start = std::chrono::steady_clock::now()](int seconds) {
        return std::chrono::steady_clock::now() > start + std::chrono::seconds(seconds);
    };
    Rect hostRect;
    while (!backend.GetForeignWindowRect(host.Handle(), hostRect) && !deadline(2))
        app.ProcessMessages();
    ASSERT_EQ(hostRect.Width(), 200);

    auto preview = Form::Create<TForm2>();
    preview->SetParentWindow(host.Handle());
    preview->SetBoundsRect({0, 0, 200, 150});
    preview->Show();
    // The fade timer ticks every 25 ms, so each wait for a message is short.
    bool shown = false;
    while (!(shown = BannerVisible(host)) && !deadline(5))
        app.HandleMessage();
    EXPECT_TRUE(shown) << "no banner pixels in the host window";
    EXPECT_EQ(host.PixelAt(10, 10), clWhite);
    EXPECT_EQ(host.PixelAt(199, 149), clWhite);
    EXPECT_EQ(host.PixelAt(150, 41), clWhite) << "right of the banner";

    preview->DestroyHandle();
    preview.reset();
}

} // namespace
