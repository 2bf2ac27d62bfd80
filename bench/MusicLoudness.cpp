// How loud the music of each format plays: a file played through the
// runtime's SDL2_mixer device on SDL's disk audio driver, whose output file
// holds exactly what was mixed, measured as RMS and peak in dBFS over the
// span from the first to the last audible sample, and the count of samples
// at full scale.
//
//   bench_loudness --write-midi FILE   writes a General MIDI file: piano,
//                                      bass, strings and drums at ordinary
//                                      velocities, eight seconds
//   bench_loudness FILE                plays FILE, prints "rms R peak P clipped N"
//
// bench/music-loudness compares MIDI with MP3 through it.
#include "gui/Clock.h"
#include "platform/PlatformTestFiles.h"
#include "platform/SdlMixerDevice.h"

#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace saver;
using namespace saver::test;

namespace {

Bytes GeneralMidiSong()
{
    constexpr uint32_t kQuarter = 480;
    struct Timed {
        uint32_t At;
        Bytes Data;
    };
    std::vector<Timed> events{{0, Tempo(500000)}};
    auto note = [&](uint8_t channel, uint32_t at, uint32_t length, uint8_t key, uint8_t velocity) {
        events.push_back({at, {uint8_t(0x90 | channel), key, velocity}});
        events.push_back({at + length, {uint8_t(0x80 | channel), key, 0}});
    };
    // Piano, finger bass, strings; drums on channel 10.
    for (const auto& [channel, program] : {std::pair<uint8_t, uint8_t>{0, 0}, {1, 33}, {2, 48}})
        events.push_back({0, {uint8_t(0xC0 | channel), program}});
    const uint8_t chords[4][3] = {{60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62}};
    for (uint32_t bar = 0; bar < 4; ++bar) {
        const uint32_t start = bar * 4 * kQuarter;
        const auto& chord = chords[bar];
        for (uint32_t eighth = 0; eighth < 8; ++eighth) {
            note(0, start + eighth * kQuarter / 2, kQuarter / 2 - 20, uint8_t(chord[eighth % 3] + 12), 90);
            note(9, start + eighth * kQuarter / 2, kQuarter / 4, 42, 80); // closed hi-hat
        }
        for (uint8_t key : chord)
            note(2, start, 4 * kQuarter - 10, key, 80);
        for (uint32_t beat = 0; beat < 4; ++beat) {
            note(1, start + beat * kQuarter, kQuarter - 40, uint8_t(chord[0] - 24), 100);
            note(9, start + beat * kQuarter, kQuarter / 4, beat % 2 ? 38 : 36, beat % 2 ? 95 : 100); // snare, kick
        }
    }
    std::stable_sort(events.begin(), events.end(), [](const Timed& a, const Timed& b) { return a.At < b.At; });
    std::vector<MidiEvent> track;
    uint32_t now = 0;
    for (const Timed& e : events) {
        track.push_back({e.At - now, e.Data});
        now = e.At;
    }
    return MakeMidi(0, uint16_t(kQuarter), {MidiTrack(track)});
}

// Plays the file to its end on the disk driver; the mixed output lands in
// `output` when the audio closes.
bool Render(const std::string& file, const std::string& output)
{
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1); // as fast as the decoder goes
    SystemClock clock;
    SdlMixerDevice device(clock);
    if (SdlMixerDevice::AudioDriver() != "disk") {
        std::cerr << "bench_loudness: no disk audio driver\n";
        return false;
    }
    int rate = 0, channels = 0;
    uint16_t format = 0;
    if (!Mix_QuerySpec(&rate, &format, &channels) || format != AUDIO_S16SYS) {
        std::cerr << "bench_loudness: the output is not 16-bit\n";
        return false;
    }
    device.Open(file);
    std::atomic<bool> ended{false};
    device.Play([&] { ended = true; });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!ended && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return ended;
}

void Measure(const std::string& raw)
{
    std::ifstream in(raw, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    // Audible: above -60 dBFS.
    constexpr int kAudible = 33;
    size_t first = 0, last = samples.size();
    while (first < last && std::abs(samples[first]) < kAudible)
        ++first;
    while (last > first && std::abs(samples[last - 1]) < kAudible)
        --last;
    double sum = 0;
    int peak = 0;
    size_t clipped = 0;
    for (size_t i = first; i < last; ++i) {
        const int s = samples[i];
        sum += double(s) * s;
        peak = std::max(peak, std::abs(s));
        clipped += s == INT16_MAX || s == INT16_MIN;
    }
    const auto dbfs = [](double v) { return 20.0 * std::log10(std::max(v, 1.0) / 32768.0); };
    const double rms = last > first ? std::sqrt(sum / double(last - first)) : 0.0;
    std::printf("rms %.2f peak %.2f clipped %zu\n", dbfs(rms), dbfs(peak), clipped);
}

} // namespace

int main(int argc, char** argv)
{
    try {
        if (argc == 3 && std::string(argv[1]) == "--write-midi") {
            WriteFile(argv[2], GeneralMidiSong());
            return 0;
        }
        if (argc != 2) {
            std::cerr << "usage: bench_loudness FILE | --write-midi FILE\n";
            return 2;
        }
        const std::string raw = std::string(argv[1]) + ".raw";
        if (!Render(argv[1], raw))
            return 1;
        Measure(raw);
        std::remove(raw.c_str());
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "bench_loudness: " << e.what() << "\n";
        return 1;
    }
}
