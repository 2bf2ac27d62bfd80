#include "PlatformTestFiles.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <lzma.h>
#endif
#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace saver::test {
namespace {

void Put16(Bytes& b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& b, uint32_t v)
{
    Put16(b, v);
    Put16(b, v >> 16);
}
void PutBe16(Bytes& b, uint32_t v)
{
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
}
void PutBe32(Bytes& b, uint32_t v)
{
    PutBe16(b, v >> 16);
    PutBe16(b, v);
}
void PutTag(Bytes& b, const char* tag)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(tag[i]));
}

// Bit fields, most significant bit first, as the stage rectangle is stored.
class BitWriter {
public:
    void Put(uint32_t value, int bits)
    {
        for (int i = bits - 1; i >= 0; --i) {
            if (m_bit % 8 == 0)
                Out.push_back(0);
            if ((value >> i) & 1)
                Out.back() |= uint8_t(0x80 >> (m_bit % 8));
            ++m_bit;
        }
    }
    Bytes Out;

private:
    size_t m_bit = 0;
};

void PutSwfTag(Bytes& b, uint16_t code, const Bytes& data, bool longForm = false)
{
    if (longForm || data.size() >= 0x3F) {
        Put16(b, uint32_t(code) << 6 | 0x3F);
        Put32(b, uint32_t(data.size()));
    } else {
        Put16(b, uint32_t(code) << 6 | uint32_t(data.size()));
    }
    b.insert(b.end(), data.begin(), data.end());
}

Bytes Deflate(const Bytes& in)
{
    uLongf size = compressBound(uLong(in.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, in.data(), uLong(in.size()), 9) != Z_OK)
        throw std::runtime_error("compress2 failed");
    out.resize(size);
    return out;
}

#ifndef _WIN32
// The movie form of LZMA: the ".lzma" encoding without its 8-byte size
// field (5 property bytes, then the data).
Bytes LzmaMovieData(const Bytes& in)
{
    lzma_options_lzma options;
    lzma_lzma_preset(&options, 6);
    lzma_stream z = LZMA_STREAM_INIT;
    if (lzma_alone_encoder(&z, &options) != LZMA_OK)
        throw std::runtime_error("lzma_alone_encoder failed");
    Bytes out(in.size() + 1024);
    z.next_in = in.data();
    z.avail_in = in.size();
    z.next_out = out.data();
    z.avail_out = out.size();
    if (lzma_code(&z, LZMA_FINISH) != LZMA_STREAM_END)
        throw std::runtime_error("lzma_code failed");
    out.resize(size_t(z.total_out));
    lzma_end(&z);
    out.erase(out.begin() + 5, out.begin() + 13);
    return out;
}
#else
// The Windows test build has no LZMA encoder.
Bytes LzmaMovieData(const Bytes&) { throw std::runtime_error("no LZMA encoder in this build"); }
#endif

} // namespace

std::filesystem::path ScratchDir()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::filesystem::path dir = std::filesystem::path(SAVER_BINARY_DIR) / "test-scratch" / "platform" /
                                (std::string(info->test_suite_name()) + "." + info->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

std::string WriteFile(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
    return path.string();
}

// DefineShape 1, a solid square; then the square placed at depth 1 and
// moved by PlaceObject2 before each ShowFrame but the last, which the caller
// writes.
void PutMovingSquare(Bytes& body, const MovieRecipe& recipe)
{
    constexpr int kBits = 16;
    const int32_t side = std::max(20, recipe.HeightTwips / 5);
    const TColor color = *recipe.MovingSquare;
    BitWriter bounds;
    bounds.Put(kBits, 5);
    bounds.Put(0, kBits);
    bounds.Put(uint32_t(side), kBits);
    bounds.Put(0, kBits);
    bounds.Put(uint32_t(side), kBits);
    Bytes shape;
    Put16(shape, 1); // character id
    shape.insert(shape.end(), bounds.Out.begin(), bounds.Out.end());
    shape.insert(shape.end(), {1, 0x00, GetRValue(color), GetGValue(color), GetBValue(color), 0}); // 1 solid fill, no lines
    BitWriter records;
    records.Put(1, 4); // fill index bits
    records.Put(0, 4); // line index bits
    records.Put(0b000101, 6); // style change: fill style 1, move to
    records.Put(1, 5);
    records.Put(0, 1);
    records.Put(0, 1);
    records.Put(1, 1);
    // Four straight edges around the square: right, down, left, up.
    const int32_t deltas[4][2] = {{side, 0}, {0, side}, {-side, 0}, {0, -side}};
    for (const auto& d : deltas) {
        records.Put(0b11, 2);          // edge, straight
        records.Put(kBits - 2, 4);     // coordinate bits - 2
        records.Put(0, 1);             // not general
        records.Put(d[0] == 0 ? 1 : 0, 1); // vertical?
        records.Put(uint32_t(d[0] == 0 ? d[1] : d[0]), kBits);
    }
    records.Put(0, 6); // end of shape
    shape.insert(shape.end(), records.Out.begin(), records.Out.end());
    PutSwfTag(body, 2, shape);

    const int32_t frames = std::max<int32_t>(recipe.FrameCount, 1);
    const int32_t travel = std::max(0, recipe.WidthTwips - side);
    const int32_t y = (recipe.HeightTwips - side) / 2;
    for (int32_t f = 0; f < frames; ++f) {
        const int32_t x = frames > 1 ? int32_t(int64_t(travel) * f / (frames - 1)) : 0;
        Bytes place = {uint8_t(f == 0 ? 0x06 : 0x05)}; // matrix and character, then matrix and move
        Put16(place, 1); // depth
        if (f == 0)
            Put16(place, 1);
        BitWriter matrix;
        matrix.Put(0, 1); // no scale
        matrix.Put(0, 1); // no rotation
        matrix.Put(kBits, 5);
        matrix.Put(uint32_t(x), kBits);
        matrix.Put(uint32_t(y), kBits);
        place.insert(place.end(), matrix.Out.begin(), matrix.Out.end());
        PutSwfTag(body, 26, place);
        if (f + 1 < frames)
            PutSwfTag(body, 1, {}); // ShowFrame
    }
}

Bytes MakeMovie(const MovieRecipe& recipe)
{
    BitWriter rect;
    constexpr int kBits = 16; // room for any stage up to 1638 px
    rect.Put(kBits, 5);
    rect.Put(0, kBits);
    rect.Put(uint32_t(recipe.WidthTwips), kBits);
    rect.Put(0, kBits);
    rect.Put(uint32_t(recipe.HeightTwips), kBits);
    Bytes body = rect.Out;
    Put16(body, recipe.FrameRate);
    Put16(body, recipe.FrameCount);
    // FileAttributes: ActionScript 3 for the header-only movies, none for
    // the ones that play a timeline.
    PutSwfTag(body, 69, {uint8_t(recipe.MovingSquare ? 0x00 : 0x08), 0, 0, 0});
    if (recipe.LongTagBeforeBackground)
        PutSwfTag(body, 77, Bytes(5, 'x'), true); // Metadata
    const auto background = [&] {
        if (recipe.Background)
            PutSwfTag(body, 9,
                      {GetRValue(*recipe.Background), GetGValue(*recipe.Background), GetBValue(*recipe.Background)});
    };
    if (!recipe.BackgroundAfterFirstFrame)
        background();
    if (recipe.MovingSquare)
        PutMovingSquare(body, recipe);
    PutSwfTag(body, 1, {}); // ShowFrame
    if (recipe.BackgroundAfterFirstFrame)
        background();
    PutSwfTag(body, 0, {}); // End

    Bytes file = {uint8_t(recipe.Compression), 'W', 'S', recipe.Version};
    Put32(file, uint32_t(8 + body.size()));
    if (recipe.Compression == 'F') {
        file.insert(file.end(), body.begin(), body.end());
    } else if (recipe.Compression == 'C') {
        const Bytes z = Deflate(body);
        file.insert(file.end(), z.begin(), z.end());
    } else {
        const Bytes z = LzmaMovieData(body);
        Put32(file, uint32_t(z.size() - 5));
        file.insert(file.end(), z.begin(), z.end());
    }
    return file;
}

Bytes MakeWav(uint32_t ms, uint32_t sampleRate, bool chunksBefore)
{
    const uint32_t dataSize = uint32_t(uint64_t(sampleRate) * ms / 1000) * 2;
    Bytes b;
    PutTag(b, "RIFF");
    Put32(b, 0); // patched below
    PutTag(b, "WAVE");
    PutTag(b, "fmt ");
    Put32(b, 16);
    Put16(b, 1); // PCM
    Put16(b, 1); // mono
    Put32(b, sampleRate);
    Put32(b, sampleRate * 2);
    Put16(b, 2);
    Put16(b, 16);
    if (chunksBefore) {
        PutTag(b, "LIST");
        Put32(b, 5);
        b.insert(b.end(), {'I', 'N', 'F', 'O', 'x', 0}); // 5 bytes and a pad byte
    }
    PutTag(b, "data");
    Put32(b, dataSize);
    b.resize(b.size() + dataSize, 0);
    const uint32_t riff = uint32_t(b.size() - 8);
    for (int i = 0; i < 4; ++i)
        b[size_t(4 + i)] = uint8_t(riff >> (8 * i));
    return b;
}

Bytes MakeMp3(int frames, bool tags)
{
    Bytes b;
    if (tags) {
        const uint8_t id3[] = {'I', 'D', '3', 3, 0, 0, 0, 0, 1, 0}; // 128-byte tag (syncsafe 0x80)
        b.assign(sizeof id3 + 128, 0);
        std::copy(std::begin(id3), std::end(id3), b.begin());
    }
    // MPEG-1 layer III, no CRC, 128 kbit/s, 44.1 kHz, no padding, stereo:
    // 144 × 128000 / 44100 = 417 bytes a frame.
    for (int i = 0; i < frames; ++i) {
        b.insert(b.end(), {0xFF, 0xFB, 0x90, 0x00});
        b.resize(b.size() + 417 - 4, 0);
    }
    if (tags) {
        b.insert(b.end(), {'T', 'A', 'G'});
        b.resize(b.size() + 125, ' ');
    }
    return b;
}

Bytes MidiTrack(const std::vector<MidiEvent>& events)
{
    Bytes data;
    for (const MidiEvent& e : events) {
        // Variable-length delta time, 7 bits a byte, high bit on all but the last.
        uint8_t groups[5];
        int n = 0;
        uint32_t v = e.Delta;
        do {
            groups[n++] = uint8_t(v & 0x7F);
            v >>= 7;
        } while (v);
        while (n > 0) {
            --n;
            data.push_back(uint8_t(groups[n] | (n > 0 ? 0x80 : 0)));
        }
        data.insert(data.end(), e.Data.begin(), e.Data.end());
    }
    Bytes track;
    PutTag(track, "MTrk");
    PutBe32(track, uint32_t(data.size()));
    track.insert(track.end(), data.begin(), data.end());
    return track;
}

Bytes MakeMidi(uint16_t format, uint16_t division, const std::vector<Bytes>& tracks)
{
    Bytes b;
    PutTag(b, "MThd");
    PutBe32(b, 6);
    PutBe16(b, format);
    PutBe16(b, uint16_t(tracks.size()));
    PutBe16(b, division);
    for (const Bytes& t : tracks)
        b.insert(b.end(), t.begin(), t.end());
    return b;
}

Bytes Tempo(uint32_t us) { return {0xFF, 0x51, 0x03, uint8_t(us >> 16), uint8_t(us >> 8), uint8_t(us)}; }

} // namespace saver::test
