#include "platform/SoundFile.h"

#include "core/Error.h"
#include "core/Utf8Path.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

namespace saver {
namespace {

// Random access to the file's bytes; reads past the end come back short.
class FileBytes {
public:
    explicit FileBytes(const std::string& path) : m_path(path)
    {
        const std::filesystem::path file = Utf8Path(path);
        std::error_code ec;
        if (!std::filesystem::is_regular_file(file, ec))
            throw Exception("Cannot open sound file '" + path + "': " +
                            (std::filesystem::exists(file, ec) ? "not a regular file" : "no such file"));
        m_file.open(file, std::ios::binary);
        if (!m_file)
            throw Exception("Cannot open sound file '" + path + "': " + std::strerror(errno));
        m_file.seekg(0, std::ios::end);
        m_size = uint64_t(m_file.tellg());
    }

    [[nodiscard]] uint64_t Size() const { return m_size; }

    // Up to n bytes at offset.
    std::vector<uint8_t> Read(uint64_t offset, size_t n)
    {
        std::vector<uint8_t> bytes;
        if (offset >= m_size)
            return bytes;
        bytes.resize(size_t(std::min<uint64_t>(n, m_size - offset)));
        m_file.clear();
        m_file.seekg(std::streamoff(offset));
        m_file.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
        if (size_t(m_file.gcount()) != bytes.size())
            throw Exception("Cannot read sound file '" + m_path + "'");
        return bytes;
    }

private:
    std::string m_path;
    std::ifstream m_file;
    uint64_t m_size = 0;
};

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint32_t Be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]); }
uint16_t Be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }

bool StartsWith(const std::vector<uint8_t>& bytes, size_t at, const char* tag)
{
    const size_t n = std::strlen(tag);
    return bytes.size() >= at + n && std::memcmp(bytes.data() + at, tag, n) == 0;
}

uint32_t ClampMs(double ms) { return uint32_t(std::clamp(ms + 0.5, 0.0, double(UINT32_MAX))); }

// ------------------------------------------------------------------ WAV

SoundFileInfo ProbeWave(FileBytes& file, const std::string& path)
{
    uint32_t byteRate = 0;
    std::optional<uint64_t> dataSize;
    // Chunks follow the 12-byte RIFF header, each padded to an even size, in
    // any order.
    for (uint64_t at = 12; at + 8 <= file.Size() && !(dataSize && byteRate);) {
        const std::vector<uint8_t> header = file.Read(at, 8);
        const uint32_t size = Le32(header.data() + 4);
        if (StartsWith(header, 0, "fmt ")) {
            const std::vector<uint8_t> format = file.Read(at + 8, 16);
            if (size < 16 || format.size() < 16)
                break;
            byteRate = Le32(format.data() + 8);
        } else if (StartsWith(header, 0, "data")) {
            // Writers that stream set the size to the largest value: count
            // what the file really holds.
            dataSize = std::min<uint64_t>(size, file.Size() - at - 8);
        }
        at += 8 + uint64_t(size) + (size & 1);
    }
    if (byteRate == 0 || !dataSize)
        throw Exception("'" + path + "' is a damaged WAV file (no format or data chunk)");
    return {SoundFormat::Wave, ClampMs(double(*dataSize) * 1000.0 / byteRate)};
}

// ------------------------------------------------------------------ MP3

struct MpegFrame {
    uint32_t Bytes = 0;       // 0: free bitrate, length unknown
    uint32_t Samples = 0;     // per channel
    uint32_t SampleRate = 0;
};

// Decodes a 4-byte MPEG audio frame header; false when it is not one.
bool ParseMpegHeader(const uint8_t* h, MpegFrame& frame)
{
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0)
        return false;
    const int version = (h[1] >> 3) & 3; // 0: 2.5, 1: reserved, 2: 2, 3: 1
    const int layer = (h[1] >> 1) & 3;   // 1: III, 2: II, 3: I, 0: reserved
    const int bitrateIndex = h[2] >> 4;
    const int rateIndex = (h[2] >> 2) & 3;
    const int padding = (h[2] >> 1) & 1;
    if (version == 1 || layer == 0 || bitrateIndex == 15 || rateIndex == 3)
        return false;
    static constexpr uint16_t kBitrates[5][15] = {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}, // MPEG 1, layer I
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},    // MPEG 1, layer II
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},     // MPEG 1, layer III
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},    // MPEG 2/2.5, layer I
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},         // MPEG 2/2.5, layers II, III
    };
    static constexpr uint32_t kRates[4][3] = {{11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000},
                                              {44100, 48000, 32000}};
    const bool mpeg1 = version == 3;
    const int row = mpeg1 ? 3 - layer : (layer == 3 ? 3 : 4);
    const uint32_t bitrate = kBitrates[row][bitrateIndex] * 1000u;
    frame.SampleRate = kRates[version][rateIndex];
    if (layer == 3) {
        frame.Samples = 384;
        frame.Bytes = bitrate ? (12 * bitrate / frame.SampleRate + padding) * 4 : 0;
    } else {
        frame.Samples = (layer == 1 && !mpeg1) ? 576 : 1152;
        frame.Bytes = bitrate ? frame.Samples / 8 * bitrate / frame.SampleRate + padding : 0;
    }
    return true;
}

// Where the audio starts: after any ID3v2 tags.
uint64_t SkipId3v2(FileBytes& file)
{
    uint64_t at = 0;
    for (;;) {
        const std::vector<uint8_t> tag = file.Read(at, 10);
        if (!StartsWith(tag, 0, "ID3") || tag.size() < 10)
            return at;
        const uint32_t size = uint32_t(tag[6] & 0x7F) << 21 | uint32_t(tag[7] & 0x7F) << 14 |
                              uint32_t(tag[8] & 0x7F) << 7 | uint32_t(tag[9] & 0x7F);
        const bool footer = tag[5] & 0x10;
        at += 10 + uint64_t(size) + (footer ? 10 : 0);
    }
}

// An MP3 starts, within the first few kilobytes after its tags, with a frame
// that is followed by another frame (or by the end of the file): two headers
// in a row make a false match in other data unlikely.
std::optional<SoundFileInfo> ProbeMpeg(FileBytes& file)
{
    constexpr uint64_t kSearch = 4096;
    const uint64_t start = SkipId3v2(file);
    const std::vector<uint8_t> head = file.Read(start, size_t(kSearch + 4));
    std::optional<uint64_t> first;
    for (size_t i = 0; i + 4 <= head.size() && i < kSearch && !first; ++i) {
        MpegFrame frame;
        if (!ParseMpegHeader(head.data() + i, frame))
            continue;
        if (frame.Bytes == 0)
            return SoundFileInfo{SoundFormat::Mpeg, std::nullopt};
        const uint64_t next = start + i + frame.Bytes;
        const std::vector<uint8_t> h = file.Read(next, 4);
        MpegFrame second;
        if (next == file.Size() || (h.size() == 4 && ParseMpegHeader(h.data(), second)))
            first = start + i;
    }
    if (!first)
        return std::nullopt;
    double ms = 0;
    for (uint64_t at = *first; at + 4 <= file.Size();) {
        const std::vector<uint8_t> h = file.Read(at, 4);
        MpegFrame frame;
        if (!ParseMpegHeader(h.data(), frame) || frame.Bytes == 0)
            break;
        ms += 1000.0 * frame.Samples / frame.SampleRate;
        at += frame.Bytes;
    }
    return SoundFileInfo{SoundFormat::Mpeg, ClampMs(ms)};
}

// ------------------------------------------------------------------ MIDI

class MidiReader {
public:
    MidiReader(const std::vector<uint8_t>& bytes, size_t at, size_t end) : m_bytes(bytes), m_at(at), m_end(end) {}
    [[nodiscard]] bool AtEnd() const { return m_at >= m_end; }
    bool Byte(uint8_t& b)
    {
        if (m_at >= m_end)
            return false;
        b = m_bytes[m_at++];
        return true;
    }
    // A variable-length quantity: 7 bits a byte, at most four bytes.
    bool Number(uint32_t& value)
    {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t b = 0;
            if (!Byte(b))
                return false;
            value = value << 7 | (b & 0x7F);
            if (!(b & 0x80))
                return true;
        }
        return false;
    }
    bool Skip(uint32_t n)
    {
        if (n > m_end - m_at)
            return false;
        m_at += n;
        return true;
    }
    [[nodiscard]] size_t Offset() const { return m_at; }

private:
    const std::vector<uint8_t>& m_bytes;
    size_t m_at;
    size_t m_end;
};

// Walks one track, recording where its tempo changes (tick -> offset of the
// tempo's three bytes: microseconds a quarter note, big-endian); returns the
// tick of its last complete event, so a damaged track counts up to where it
// can be read.
uint64_t WalkMidiTrack(MidiReader track, std::multimap<uint64_t, uint32_t>& tempos)
{
    uint64_t tick = 0;
    uint64_t complete = 0;
    uint8_t running = 0;
    for (; !track.AtEnd(); complete = tick) {
        uint32_t delta = 0;
        uint8_t status = 0;
        if (!track.Number(delta) || !track.Byte(status))
            break;
        tick += delta;
        if (status == 0xFF) {
            uint8_t type = 0;
            uint32_t length = 0;
            if (!track.Byte(type) || !track.Number(length))
                break;
            const size_t data = track.Offset();
            if (!track.Skip(length))
                break;
            if (type == 0x2F) {
                complete = tick;
                break; // end of track
            }
            if (type == 0x51 && length == 3)
                tempos.emplace(tick, uint32_t(data)); // where the tempo's three bytes are
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            uint32_t length = 0;
            if (!track.Number(length) || !track.Skip(length))
                break;
            continue;
        }
        if (status < 0x80) {
            // Running status: this byte is the first data byte.
            if (running == 0)
                break;
            const int dataBytes = (running & 0xF0) == 0xC0 || (running & 0xF0) == 0xD0 ? 1 : 2;
            if (!track.Skip(uint32_t(dataBytes - 1)))
                break;
            continue;
        }
        if (status >= 0xF0)
            break; // system messages other than sysex do not occur in files
        running = status;
        const int dataBytes = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
        if (!track.Skip(uint32_t(dataBytes)))
            break;
    }
    return complete;
}

std::optional<SoundFileInfo> ProbeMidi(FileBytes& file, const std::string& path)
{
    if (!StartsWith(file.Read(0, 4), 0, "MThd"))
        return std::nullopt;
    constexpr uint64_t kMaxMidi = 64u << 20; // far beyond any song; keeps memory bounded
    const std::vector<uint8_t> bytes = file.Read(0, size_t(std::min(file.Size(), kMaxMidi)));
    if (bytes.size() < 14 || Be32(bytes.data() + 4) < 6)
        throw Exception("'" + path + "' is a damaged MIDI file (short header)");
    const uint16_t tracks = Be16(bytes.data() + 10);
    const uint16_t division = Be16(bytes.data() + 12);
    if (division == 0)
        throw Exception("'" + path + "' is a damaged MIDI file (no time division)");

    std::multimap<uint64_t, uint32_t> tempoOffsets;
    uint64_t lastTick = 0;
    size_t at = 8 + Be32(bytes.data() + 4);
    for (uint16_t t = 0; t < tracks && at + 8 <= bytes.size(); ++t) {
        const uint32_t length = Be32(bytes.data() + at + 4);
        const size_t begin = at + 8;
        const size_t end = size_t(std::min<uint64_t>(uint64_t(begin) + length, bytes.size()));
        if (StartsWith(bytes, at, "MTrk"))
            lastTick = std::max(lastTick, WalkMidiTrack(MidiReader(bytes, begin, end), tempoOffsets));
        else
            --t; // an unknown chunk does not count as a track
        at = end;
    }

    double ms = 0;
    if (division & 0x8000) {
        // SMPTE time: frames a second (stored negated) times ticks a frame.
        const int fps = -int8_t(division >> 8);
        const int ticksPerFrame = division & 0xFF;
        if (fps <= 0 || ticksPerFrame == 0)
            throw Exception("'" + path + "' is a damaged MIDI file (bad SMPTE division)");
        ms = double(lastTick) * 1000.0 / (fps * ticksPerFrame);
    } else {
        uint64_t tick = 0;
        uint32_t tempo = 500000; // 120 beats a minute until the first tempo event
        for (const auto& [when, offset] : tempoOffsets) {
            if (when >= lastTick)
                break;
            ms += double(when - tick) * tempo / division / 1000.0;
            tick = when;
            tempo = uint32_t(bytes[offset]) << 16 | uint32_t(bytes[offset + 1]) << 8 | bytes[offset + 2];
        }
        ms += double(lastTick - tick) * tempo / division / 1000.0;
    }
    return SoundFileInfo{SoundFormat::Midi, ClampMs(ms)};
}

} // namespace

const char* SoundFormatName(SoundFormat format)
{
    switch (format) {
    case SoundFormat::Wave:
        return "WAV";
    case SoundFormat::Mpeg:
        return "MP3";
    case SoundFormat::Midi:
        return "MIDI";
    }
    return "?";
}

SoundFileInfo ProbeSoundFile(const std::string& path)
{
    FileBytes file(path);
    const std::vector<uint8_t> head = file.Read(0, 12);
    if (StartsWith(head, 0, "RIFF") && StartsWith(head, 8, "WAVE"))
        return ProbeWave(file, path);
    if (auto midi = ProbeMidi(file, path))
        return *midi;
    if (auto mpeg = ProbeMpeg(file))
        return *mpeg;
    throw Exception("'" + path + "' is not a WAV, MP3 or MIDI file");
}

} // namespace saver
