#include "PlatformTestFiles.h"
#include "core/Error.h"
#include "platform/SoundFile.h"

#include <gtest/gtest.h>

using namespace saver;
using namespace saver::test;

namespace {

std::string ErrorOf(const std::string& path)
{
    try {
        (void)ProbeSoundFile(path);
    } catch (const Exception& e) {
        return e.what();
    }
    return "(no exception)";
}

// The files have no extension: the probe goes by content alone.
SoundFileInfo Probe(const Bytes& bytes, const char* name = "sound")
{
    return ProbeSoundFile(WriteFile(ScratchDir() / name, bytes));
}

TEST(SoundFile, WaveLengthComesFromDataSizeAndByteRate)
{
    EXPECT_EQ(Probe(MakeWav(1500)).LengthMs, 1500u);
    EXPECT_EQ(Probe(MakeWav(250, 44100)).LengthMs, 250u);
    // An odd-sized chunk before the data is padded to an even size.
    EXPECT_EQ(Probe(MakeWav(1500, 8000, true)).LengthMs, 1500u);

    // A streaming writer's "unknown" data size counts what the file holds.
    Bytes streamed = MakeWav(1000);
    const size_t sizeField = streamed.size() - 16000 - 4;
    for (int i = 0; i < 4; ++i)
        streamed[sizeField + size_t(i)] = 0xFF;
    const SoundFileInfo info = Probe(streamed);
    EXPECT_EQ(info.Format, SoundFormat::Wave);
    EXPECT_EQ(info.LengthMs, 1000u);
}

TEST(SoundFile, Mp3LengthIsTheSumOfItsFrames)
{
    // 50 frames of 1152 samples at 44.1 kHz: 1306.1 ms, tags or not.
    EXPECT_EQ(Probe(MakeMp3(50, false)).LengthMs, 1306u);
    const SoundFileInfo tagged = Probe(MakeMp3(50, true));
    EXPECT_EQ(tagged.Format, SoundFormat::Mpeg);
    EXPECT_EQ(tagged.LengthMs, 1306u);
    EXPECT_EQ(Probe(MakeMp3(1, false)).LengthMs, 26u) << "a single frame that ends the file";
}

TEST(SoundFile, MidiLengthFollowsTheTempoMap)
{
    // 480 ticks a quarter note. 960 ticks at 0.5 s a quarter, then 960 at 1 s.
    const Bytes changing = MakeMidi(0, 480,
                                    {MidiTrack({{0, Tempo(500000)},
                                                {0, {0x90, 0x3C, 0x40}},
                                                {960, Tempo(1000000)},
                                                {960, {0x80, 0x3C, 0x00}},
                                                {0, {0xFF, 0x2F, 0x00}}})});
    EXPECT_EQ(Probe(changing).LengthMs, 3000u);

    // Running status (note events without their status byte) and the default
    // tempo of 120 beats a minute.
    const Bytes running = MakeMidi(0, 480,
                                   {MidiTrack({{0, {0x90, 0x3C, 0x40}},
                                               {480, {0x3C, 0x00}},
                                               {480, {0x40, 0x40}},
                                               {0, {0xFF, 0x2F, 0x00}}})});
    EXPECT_EQ(Probe(running).LengthMs, 1000u);

    // Format 1: the tempo track is separate from the notes, and the longest
    // track sets the length.
    const Bytes multi = MakeMidi(1, 480,
                                 {MidiTrack({{0, Tempo(250000)}, {0, {0xFF, 0x2F, 0x00}}}),
                                  MidiTrack({{0, {0x90, 0x3C, 0x40}}, {960, {0x80, 0x3C, 0}}, {0, {0xFF, 0x2F, 0}}}),
                                  MidiTrack({{480, {0xC0, 0x05}}, {0, {0xFF, 0x2F, 0}}})});
    const SoundFileInfo info = Probe(multi);
    EXPECT_EQ(info.Format, SoundFormat::Midi);
    EXPECT_EQ(info.LengthMs, 500u);

    // SMPTE time: 25 frames a second of 40 ticks, 1000 ticks a second.
    const Bytes smpte = MakeMidi(0, uint16_t((0x100 - 25) << 8 | 40),
                                 {MidiTrack({{2500, {0xFF, 0x2F, 0x00}}})});
    EXPECT_EQ(Probe(smpte).LengthMs, 2500u);
}

TEST(SoundFile, DamagedMidiTrackCountsWhatCanBeRead)
{
    Bytes midi = MakeMidi(0, 480, {MidiTrack({{480, {0x90, 0x3C, 0x40}}, {480, {0x80, 0x3C, 0}}})});
    midi.resize(midi.size() - 2); // the last event loses its data bytes
    EXPECT_EQ(Probe(midi).LengthMs, 500u);
}

TEST(SoundFile, OtherFilesAreClearErrors)
{
    const auto dir = ScratchDir();
    const std::string text = WriteFile(dir / "readme.mp3", {'j', 'u', 's', 't', ' ', 't', 'e', 'x', 't'});
    EXPECT_NE(ErrorOf(text).find("is not a WAV, MP3 or MIDI file"), std::string::npos) << ErrorOf(text);
    EXPECT_NE(ErrorOf((dir / "gone.wav").string()).find("no such file"), std::string::npos);
    EXPECT_NE(ErrorOf(dir.string()).find("not a regular file"), std::string::npos);
    EXPECT_NE(ErrorOf(WriteFile(dir / "empty.wav", {})).find("is not a WAV"), std::string::npos);

    // One frame header followed by something that is not a frame: not an MP3.
    Bytes lone = {0xFF, 0xFB, 0x90, 0x00};
    lone.resize(600, 0x55);
    EXPECT_NE(ErrorOf(WriteFile(dir / "lone.mp3", lone)).find("is not a WAV, MP3 or MIDI file"), std::string::npos);

    // A RIFF WAVE header without its format chunk.
    const Bytes bare = {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'};
    EXPECT_NE(ErrorOf(WriteFile(dir / "bare.wav", bare)).find("damaged WAV"), std::string::npos);
}

} // namespace
