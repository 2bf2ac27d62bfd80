#pragma once
// Generated media for the platform tests: Flash movies in the three storage
// forms, WAV, MP3 and MIDI files. Nothing binary ships with the tests.

#include "core/Color.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace saver::test {

using Bytes = std::vector<uint8_t>;

// A fresh, empty folder for the running test under the build tree.
std::filesystem::path ScratchDir();
std::string WriteFile(const std::filesystem::path& path, const Bytes& bytes);

struct MovieRecipe {
    char Compression = 'F'; // F, C or Z
    uint8_t Version = 10;
    int32_t WidthTwips = 550 * 20;
    int32_t HeightTwips = 400 * 20;
    uint16_t FrameRate = 12 << 8; // 8.8 fixed point
    uint16_t FrameCount = 10;
    std::optional<TColor> Background;
    bool LongTagBeforeBackground = false; // a tag with the 32-bit length form first
    bool BackgroundAfterFirstFrame = false;
    // A square of this colour, a fifth of the stage high, that crosses the
    // stage from left to right over the movie's frames (one ShowFrame a
    // frame); without it the movie holds one frame whatever its count.
    std::optional<TColor> MovingSquare;
};
Bytes MakeMovie(const MovieRecipe& recipe);

// 16-bit mono PCM of the given length; `chunksBefore` puts a LIST chunk of
// odd size between the format and the data, as editors do.
Bytes MakeWav(uint32_t ms, uint32_t sampleRate = 8000, bool chunksBefore = false);

// `frames` MPEG-1 layer III frames at 128 kbit/s and 44.1 kHz (1152 samples
// each), optionally behind an ID3v2 tag and followed by an ID3v1 tag.
Bytes MakeMp3(int frames, bool tags);

// A MIDI event list as written in a track: delta time and event bytes.
struct MidiEvent {
    uint32_t Delta;
    Bytes Data;
};
Bytes MidiTrack(const std::vector<MidiEvent>& events);
Bytes MakeMidi(uint16_t format, uint16_t division, const std::vector<Bytes>& tracks);
// A tempo meta event (microseconds a quarter note).
Bytes Tempo(uint32_t microsecondsPerQuarter);

} // namespace saver::test
