#include "HeadlessTestSupport.h"
#include "PlatformTestFiles.h"
#include "core/Error.h"
#include "platform/ClockedMediaDevice.h"

#include <gtest/gtest.h>

#include <vector>

using namespace saver;
using namespace saver::test;

namespace {

struct ClockedDevice : ::testing::Test {
    HeadlessApp h;
    ClockedMediaDevice device{*h.App};
    std::vector<uint64_t> ends; // virtual time of each `ended` call

    std::function<void()> RecordEnd()
    {
        return [this] { ends.push_back(h.Backend->Now()); };
    }
    std::string Wav(uint32_t ms) { return WriteFile(ScratchDir() / "music.wav", MakeWav(ms)); }
};

TEST_F(ClockedDevice, PlaysForTheFileLengthAndEndsOnce)
{
    device.Open(Wav(1500));
    EXPECT_EQ(device.Mode(), MediaMode::Stopped);
    EXPECT_EQ(device.Length(), 1500u);
    h.RunUntil(200);
    device.Play(RecordEnd());
    h.RunUntil(200 + 1499);
    EXPECT_EQ(device.Mode(), MediaMode::Playing);
    EXPECT_EQ(device.Position(), 1499u);
    EXPECT_TRUE(ends.empty());
    h.RunUntil(5000);
    EXPECT_EQ(ends, (std::vector<uint64_t>{1700}));
    EXPECT_EQ(device.Mode(), MediaMode::Stopped);
    EXPECT_EQ(device.Position(), 1500u);
}

TEST_F(ClockedDevice, PlayAtTheEndEndsAtOnceAndRewindStartsOver)
{
    device.Open(Wav(1000));
    device.Play(RecordEnd());
    h.RunUntil(1001);
    device.Play(RecordEnd());
    h.RunUntil(1002);
    EXPECT_EQ(ends, (std::vector<uint64_t>{1000, 1001}));
    device.Rewind();
    EXPECT_EQ(device.Position(), 0u);
    device.Play(RecordEnd());
    h.RunUntil(3000);
    EXPECT_EQ(ends.back(), 2002u);
}

TEST_F(ClockedDevice, RewindAndCloseCancelThePendingEnd)
{
    device.Open(Wav(1000));
    device.Play(RecordEnd());
    h.RunUntil(400);
    device.Rewind();
    EXPECT_EQ(device.Mode(), MediaMode::Stopped);
    EXPECT_EQ(device.Position(), 0u);
    device.Play(RecordEnd());
    h.RunUntil(700);
    device.Close();
    EXPECT_EQ(device.Mode(), MediaMode::NotReady);
    h.RunUntil(5000);
    EXPECT_TRUE(ends.empty());
    EXPECT_THROW(device.Play(RecordEnd()), Exception);
}

// The end handler may start the next playback right away, as a playlist does.
TEST_F(ClockedDevice, EndHandlerCanStartTheNextPlayback)
{
    device.Open(Wav(1000));
    int started = 0;
    std::function<void()> next = [&] {
        ends.push_back(h.Backend->Now());
        if (++started < 3) {
            device.Rewind();
            device.Play(next);
        }
    };
    device.Play(next);
    h.RunUntil(10000);
    EXPECT_EQ(ends, (std::vector<uint64_t>{1000, 2000, 3000}));
}

TEST_F(ClockedDevice, LengthFromOverrideOrFile)
{
    ClockedMediaDevice fixed(*h.App, 2000);
    fixed.Open(Wav(1500));
    EXPECT_EQ(fixed.Length(), 2000u);
    device.Open(WriteFile(ScratchDir() / "song.mp3", MakeMp3(50, true)));
    EXPECT_EQ(device.Length(), 1306u);
}

TEST_F(ClockedDevice, BadFileFailsAndLeavesTheDeviceClosed)
{
    device.Open(Wav(1000));
    try {
        device.Open(WriteFile(ScratchDir() / "x.mid", {'n', 'o', 'p', 'e'}));
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_NE(std::string(e.what()).find("x.mid' is not a WAV, MP3 or MIDI file"), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(device.Mode(), MediaMode::NotReady);
}

} // namespace
