// The outside components of Windows on the real system services (under
// Wine on the Linux build machine): music through MCI, and the OLE container
// that hosts the Flash control, which Wine does not have.
#include "HeadlessTestSupport.h"
#include "PlatformTestFiles.h"
#include "core/Error.h"
#include "platform/ActiveXFlash.h"
#include "platform/InstallPlatformServices.h"
#include "platform/MciMediaDevice.h"
#include "platform/ShockwaveFlash.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

// After the framework's headers, whose HWND is not the system's.
#include <windows.h>
#include <mmsystem.h>

using saver::ActiveXFlash;
using saver::MciMediaDevice;
using saver::MediaMode;
using saver::OleControlHost;
using saver::Rect;

namespace {

bool Shown(HWND window) { return (GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE) != 0; }

// Dispatches this thread's native messages until `done` holds; false when
// it still does not after a time far beyond what the test waits for.
bool PumpUntil(const std::function<bool()>& done)
{
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit)
            return false;
        MSG message;
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        else
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

std::string ErrorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const saver::Exception& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace

TEST(MciMediaDevice, AFileMciCannotOpenFailsWithMcisText)
{
    MciMediaDevice device;
    const auto dir = saver::test::ScratchDir();
    EXPECT_EQ(ErrorOf([&] { device.Open((dir / "missing.wav").string()); }),
              MciMediaDevice::ErrorText(MCIERR_FILE_NOT_FOUND));
    // No extension: MCI cannot tell the device type (a music item whose
    // type byte named no format).
    const std::string bare = saver::test::WriteFile(dir / "qorvane0", saver::test::MakeWav(100));
    EXPECT_EQ(ErrorOf([&] { device.Open(bare); }), MciMediaDevice::ErrorText(MCIERR_EXTENSION_NOT_FOUND));
    EXPECT_EQ(device.Mode(), MediaMode::NotReady);
    EXPECT_NE(MciMediaDevice::ErrorText(MCIERR_FILE_NOT_FOUND).find("file"), std::string::npos);
}

TEST(MciMediaDevice, AShortWaveOpensWithItsLengthAndReportsItsEnd)
{
    const std::string wav =
        saver::test::WriteFile(saver::test::ScratchDir() / "qorvane0.wav", saver::test::MakeWav(300));
    MciMediaDevice device;
    int opened = 0;
    device.OpenNotifying(wav, [&] { ++opened; });
    EXPECT_EQ(device.Length(), 300u) << "milliseconds";
    EXPECT_EQ(device.Position(), 0u);
    EXPECT_EQ(device.Mode(), MediaMode::Stopped);
    ASSERT_TRUE(PumpUntil([&] { return opened > 0; })) << "MCI notifies the open";

    if (waveOutGetNumDevs() == 0)
        GTEST_SKIP() << "no audio output device (Wine without a sound card: point ALSA_CONFIG_PATH at a "
                        "configuration whose default PCM is of type null); playback cannot run";
    int ended = 0;
    device.Play([&] { ++ended; });
    ASSERT_TRUE(PumpUntil([&] { return ended > 0; })) << "error " << device.LastError();
    EXPECT_EQ(device.Mode(), MediaMode::Stopped);
    EXPECT_EQ(device.Position(), device.Length());
    device.Rewind();
    EXPECT_EQ(device.Position(), 0u);

    // A playback cut short by a new open is not an end, and the old
    // device's notifications do not reach the new one.
    device.Play([&] { ++ended; });
    device.OpenNotifying(wav, [&] { ++opened; });
    ASSERT_TRUE(PumpUntil([&] { return opened == 2; }));
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(opened, 2);
}

TEST(ActiveXFlash, WithoutTheControlTheFactoryAndTheFlashControlReportItMissing)
{
    std::string reason;
    try {
        ActiveXFlash flash([](saver::HWND) -> void* { return nullptr; });
    } catch (const saver::Exception& e) {
        reason = e.what();
    }
    if (reason.empty())
        GTEST_SKIP() << "the Shockwave Flash control is installed on this system";
    EXPECT_NE(reason.find("Flash control is missing"), std::string::npos) << reason;

    // The Flash control of the saver window on the Windows services.
    saver::test::HeadlessApp h;
    saver::InstallPlatformServices("win32");
    {
        saver::TShockwaveFlash control;
        EXPECT_FALSE(control.Available());
        EXPECT_EQ(control.UnavailableReason(), reason);
        EXPECT_EQ(ErrorOf([&] { control.SetMovie("C:\\movie.swf"); }), reason);
        EXPECT_EQ(ErrorOf([&] { (void)control.TotalFrames(); }), reason);
    }
    saver::InstallPlatformServices("headless");
}

// The container hosts any in-place control the same way; Windows Media
// Player (which Wine has too) stands in for the Flash control.
TEST(OleControlHost, AControlLivesInItsSiteAndLeavesWithItsWindow)
{
    // Never shown itself: the site's own visibility is what is looked at.
    HWND parent = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    std::unique_ptr<OleControlHost> host;
    try {
        host = std::make_unique<OleControlHost>("{6BF52A52-394A-11D3-B153-00C04F79FAA6}", "Media Player",
                                                [&](saver::HWND window) -> void* {
                                                    return window == 7 ? parent : nullptr;
                                                });
    } catch (const saver::OleControlMissing& e) {
        DestroyWindow(parent);
        GTEST_SKIP() << e.what();
    }
    // Not shown anywhere yet: the control waits for a window.
    host->Place(0, Rect::FromSize(10, 20, 100, 60), true);
    EXPECT_EQ(host->SiteWindow(), nullptr);

    host->Place(7, Rect::FromSize(10, 20, 100, 60), true);
    auto site = static_cast<HWND>(host->SiteWindow());
    ASSERT_NE(site, nullptr);
    EXPECT_TRUE(host->Active()) << host->ActivationError();
    EXPECT_EQ(GetParent(site), parent);
    EXPECT_TRUE(Shown(site));
    RECT rect;
    GetWindowRect(site, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ((Rect{rect.left, rect.top, rect.right, rect.bottom}), Rect::FromSize(10, 20, 100, 60));
    EXPECT_NE(GetWindow(site, GW_CHILD), nullptr) << "the control's own window";
    EXPECT_TRUE(GetWindowLongPtrA(parent, GWL_STYLE) & WS_CLIPCHILDREN);

    // An empty control is hidden; the framework parent's loss hides it too.
    host->Place(7, Rect::FromSize(0, 0, 0, 0), true);
    EXPECT_FALSE(Shown(site));
    host->Place(7, Rect::FromSize(0, 0, 50, 40), true);
    EXPECT_TRUE(Shown(site));
    host->Place(0, Rect::FromSize(0, 0, 50, 40), true);
    EXPECT_FALSE(Shown(site));

    // The native window goes first (as a form's does): the control leaves
    // in-place activity with it, and the host goes quietly afterwards.
    host->Place(7, Rect::FromSize(0, 0, 50, 40), true);
    DestroyWindow(parent);
    EXPECT_FALSE(host->Active());
    EXPECT_EQ(host->SiteWindow(), nullptr);
    host.reset();
}
