#include "PlatformTestFiles.h"
#include "core/Error.h"
#include "platform/SdlMixerDevice.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

using namespace saver;
using namespace saver::test;

namespace {

// Ends of playback, reported from SDL's audio thread.
class EndRecorder {
public:
    std::function<void()> Callback()
    {
        return [this] {
            std::lock_guard lock(m_mutex);
            m_threads.push_back(std::this_thread::get_id());
            m_changed.notify_all();
        };
    }
    // Waits for the n-th end; the music is real time, so the limit is far
    // beyond the test's sounds (at most a second).
    bool WaitFor(size_t n)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(20), [&] { return m_threads.size() >= n; });
    }
    size_t Count()
    {
        std::lock_guard lock(m_mutex);
        return m_threads.size();
    }
    std::thread::id Thread(size_t i)
    {
        std::lock_guard lock(m_mutex);
        return m_threads.at(i);
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::thread::id> m_threads;
};

class MixerDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        // An audio driver that does not exist: the device must fall back to
        // SDL's silent one, and the tests run alike on every machine.
        setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
        device = std::make_unique<SdlMixerDevice>(clock);
    }

    SystemClock clock;
    std::unique_ptr<SdlMixerDevice> device;
};

TEST_F(MixerDevice, FallsBackToTheSilentDriverAndReportsTheEndFromTheAudioThread)
{
    EXPECT_EQ(SdlMixerDevice::AudioDriver(), "dummy");
    device->Open(WriteFile(ScratchDir() / "short.wav", MakeWav(300)));
    EXPECT_EQ(device->Mode(), MediaMode::Stopped);
    EXPECT_EQ(device->Length(), 300u);

    EndRecorder ends;
    device->Play(ends.Callback());
    ASSERT_TRUE(ends.WaitFor(1));
    EXPECT_NE(ends.Thread(0), std::this_thread::get_id());
    EXPECT_EQ(device->Mode(), MediaMode::Stopped);
    EXPECT_EQ(device->Position(), 300u);

    // At the end there is nothing left to play: the end comes at once.
    device->Play(ends.Callback());
    EXPECT_EQ(ends.Count(), 2u);
    device->Rewind();
    EXPECT_EQ(device->Position(), 0u);
}

TEST_F(MixerDevice, ClosingStopsWithoutReportingAnEnd)
{
    const auto dir = ScratchDir();
    device->Open(WriteFile(dir / "long.wav", MakeWav(5000)));
    EndRecorder first, second;
    device->Play(first.Callback());
    EXPECT_EQ(device->Mode(), MediaMode::Playing);
    device->Close();
    EXPECT_EQ(device->Mode(), MediaMode::NotReady);

    // Had the first playback reported, it would have done so by the time the
    // next one ends.
    device->Open(WriteFile(dir / "short.wav", MakeWav(100)));
    device->Play(second.Callback());
    ASSERT_TRUE(second.WaitFor(1));
    EXPECT_EQ(first.Count(), 0u);
}

TEST_F(MixerDevice, FilesItCannotPlayFailWithTheMixersReason)
{
    const auto dir = ScratchDir();
    for (const std::string& path :
         {WriteFile(dir / "text.mp3", {'n', 'o', 't', ' ', 'm', 'u', 's', 'i', 'c'}), (dir / "gone.wav").string()}) {
        try {
            device->Open(path);
            ADD_FAILURE() << "opened " << path;
        } catch (const Exception& e) {
            const std::string text = e.what();
            EXPECT_EQ(text.rfind("Cannot play '" + path + "': ", 0), 0u) << text;
            EXPECT_GT(text.size(), path.size() + 16) << "the mixer's reason follows: " << text;
        }
        EXPECT_EQ(device->Mode(), MediaMode::NotReady);
    }
    EXPECT_THROW(device->Play([] {}), Exception);
}

// MIDI needs a sound font for SDL2_mixer's FluidSynth player (scripts/deps
// installs one); its length comes from the file when the player cannot say.
TEST_F(MixerDevice, PlaysMidiThroughTheSoundFont)
{
    const Bytes midi = MakeMidi(0, 480,
                                {MidiTrack({{0, {0x90, 0x3C, 0x40}}, {960, {0x80, 0x3C, 0}}, {0, {0xFF, 0x2F, 0}}})});
    device->Open(WriteFile(ScratchDir() / "tune.mid", midi));
    EXPECT_NEAR(double(device->Length()), 1000.0, 50.0);
    EndRecorder ends;
    device->Play(ends.Callback());
    EXPECT_EQ(device->Mode(), MediaMode::Playing);
    EXPECT_TRUE(ends.WaitFor(1));
}

} // namespace
