#pragma once
// Recognises the sound files the saver plays (WAV, MP3, MIDI) by their
// content, not their name, and works out how long they play:
//   - WAV: the data chunk's size over the format chunk's byte rate;
//   - MP3: the sum of the MPEG audio frames' durations (any ID3v2 tag at the
//     start is skipped, the walk stops at the first byte that is not a frame,
//     such as an ID3v1 tag);
//   - MIDI: the longest track's ticks converted through the tempo map.

#include <cstdint>
#include <optional>
#include <string>

namespace saver {

enum class SoundFormat { Wave, Mpeg, Midi };

// The length the devices assume for a file that does not state it (an MP3
// in the free-bitrate format): half a minute, a typical short loop.
constexpr uint32_t kAssumedSoundLengthMs = 30000;

struct SoundFileInfo {
    SoundFormat Format = SoundFormat::Wave;
    // Empty when the file does not say (an MP3 in the free-bitrate format).
    std::optional<uint32_t> LengthMs;
};

// Throws saver::Exception naming the file when it cannot be read or is not a
// WAV, MP3 or MIDI file.
SoundFileInfo ProbeSoundFile(const std::string& path);

[[nodiscard]] const char* SoundFormatName(SoundFormat format);

} // namespace saver
