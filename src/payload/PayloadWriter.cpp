#include "payload/PayloadWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <string>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace saver {

namespace {

constexpr uint8_t DefaultFlashMarker = 15;
constexpr uint8_t NoMusicMarker = 0;

uint8_t ModeMarkerOf(const PayloadDescription& p)
{
    return p.modeMarker.value_or(p.kind == PayloadKind::Picture ? PictureMarker : DefaultFlashMarker);
}

uint8_t MusicMarkerOf(const PayloadDescription& p)
{
    if (p.kind == PayloadKind::Flash)
        return p.musicMarker.value_or(p.fill);
    return p.musicMarker.value_or(p.music.empty() ? NoMusicMarker : PictureMarker);
}

int64_t ItemCountOf(const PayloadDescription& p)
{
    return p.itemCount.value_or(static_cast<int32_t>(std::min<size_t>(p.items.size(), INT32_MAX)));
}

int64_t MusicCountOf(const PayloadDescription& p)
{
    return p.musicCount.value_or(static_cast<int32_t>(std::min<size_t>(p.music.size(), INT32_MAX)));
}

// Writes bytes into the head area, dropping whatever falls outside
// [low, HeadAreaSize) so that an odd layout never overwrites the fixed
// fields or the size area.
class HeadArea {
public:
    explicit HeadArea(std::array<uint8_t, TrailerSize>& trailer) : m_trailer(trailer) {}

    void Put(int64_t offset, uint8_t value, int64_t low = TrailerOffset::MusicTypes)
    {
        if (offset >= low && offset < HeadAreaSize)
            m_trailer[static_cast<size_t>(offset)] = value;
    }
    void PutInt32(int64_t offset, int32_t value, int64_t low = TrailerOffset::MusicTypes)
    {
        const auto bits = static_cast<uint32_t>(value);
        for (int i = 0; i < 4; ++i)
            Put(offset + i, static_cast<uint8_t>(bits >> (8 * i)), low);
    }

private:
    std::array<uint8_t, TrailerSize>& m_trailer;
};

void Refuse(const std::string& message)
{
    throw PayloadError(message);
}

} // namespace

int64_t TrailerMusicCount(const PayloadDescription& payload)
{
    if (payload.kind != PayloadKind::Picture || MusicMarkerOf(payload) != PictureMarker)
        return 0;
    return MusicCountOf(payload);
}

void CheckLayout(const PayloadDescription& p)
{
    const auto tooLarge = [](const Bytes& b) { return b.size() > static_cast<size_t>(INT32_MAX); };
    if (std::any_of(p.items.begin(), p.items.end(), tooLarge) ||
        std::any_of(p.music.begin(), p.music.end(), [&](const MusicItem& m) { return tooLarge(m.data); }))
        Refuse("A payload block cannot be larger than 2147483647 bytes");
    if (p.check == LayoutCheck::Unchecked)
        return;

    const bool picture = p.kind == PayloadKind::Picture;
    if (!picture && !p.music.empty())
        Refuse("A Flash payload cannot carry music");
    const int64_t n = ItemCountOf(p);
    const int64_t m = TrailerMusicCount(p);
    if (n < 0 || MusicCountOf(p) < 0)
        Refuse("Item and music counts cannot be negative");
    if (picture && m > MaxMusicCount)
        Refuse("A picture payload holds at most " + std::to_string(MaxMusicCount) + " music items, not " +
               std::to_string(m));
    const int64_t blocks = static_cast<int64_t>(p.items.size() + p.music.size());
    const int64_t described = n + m;
    if (std::max(blocks, described) > SizeAreaEntries)
        Refuse(std::string(picture ? "A picture payload holds at most " : "A Flash payload holds at most ") +
               std::to_string(SizeAreaEntries) + (picture ? " pictures and music items together, not " : " movies, not ") +
               std::to_string(std::max(blocks, described)));
}

std::array<uint8_t, TrailerSize> BuildTrailer(const PayloadDescription& p)
{
    CheckLayout(p);
    std::array<uint8_t, TrailerSize> trailer;
    trailer.fill(p.fill);
    HeadArea head(trailer);
    constexpr int64_t Start = 0;

    head.Put(TrailerOffset::ModeMarker, ModeMarkerOf(p), Start);
    head.Put(TrailerOffset::MusicMarker, MusicMarkerOf(p), Start);
    head.PutInt32(TrailerOffset::ItemCount, static_cast<int32_t>(ItemCountOf(p)), Start);
    head.PutInt32(TrailerOffset::ExitMode, p.exitMode, Start);

    if (p.kind == PayloadKind::Picture) {
        head.PutInt32(TrailerOffset::MusicCount, static_cast<int32_t>(MusicCountOf(p)), Start);
        const int64_t m = TrailerMusicCount(p);
        if (m >= 0) {
            // Types beyond the music given keep the fill value.
            const int64_t given = std::min<int64_t>(m, static_cast<int64_t>(p.music.size()));
            for (int64_t j = 0; j < given; ++j)
                head.Put(TrailerOffset::MusicTypes + j, p.music[static_cast<size_t>(j)].typeByte);
            head.PutInt32(TrailerOffset::PictureInterval(m), p.pictureInterval);
            for (int i = 0; i < EffectTableSize; ++i)
                head.Put(TrailerOffset::EffectTable(m) + i, p.effectTable[i]);
        }
    } else if (p.musicCount) {
        head.PutInt32(TrailerOffset::MusicCount, *p.musicCount, Start);
    }

    std::vector<size_t> sizes;
    for (const Bytes& item : p.items)
        sizes.push_back(item.size());
    for (const MusicItem& music : p.music)
        sizes.push_back(music.data.size());
    for (size_t k = 0; k < sizes.size() && k < SizeAreaEntries; ++k) {
        const auto bits = static_cast<uint32_t>(sizes[k]);
        for (size_t i = 0; i < 4; ++i)
            trailer[TrailerOffset::SizeArea + 4 * k + i] = static_cast<uint8_t>(bits >> (8 * i));
    }
    return trailer;
}

void WritePayload(std::ostream& out, const PayloadDescription& p)
{
    const auto trailer = BuildTrailer(p);
    const auto write = [&](const Bytes& bytes) {
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    };
    write(BuildStyleExtension(p.extensionStyles));
    for (const MusicItem& music : p.music)
        write(music.data);
    for (const Bytes& item : p.items)
        write(item);
    out.write(reinterpret_cast<const char*>(trailer.data()), TrailerSize);
}

namespace {

std::filesystem::path TemporaryNameNextTo(const std::filesystem::path& out)
{
    std::random_device device;
    std::uniform_int_distribution<uint32_t> digits;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path candidate = out;
        candidate += ".partial-" + std::to_string(digits(device));
        std::error_code ec;
        if (!std::filesystem::exists(candidate, ec) && !ec)
            return candidate;
    }
    throw PayloadError("Cannot find a free temporary name next to " + out.string());
}

// Creates the empty temporary file. On POSIX systems it is created
// executable (0755 less the umask), since the result is a program; the
// exclusive create also keeps a file that appeared meanwhile untouched.
void CreateTemporary(const std::filesystem::path& temporary, const std::filesystem::path& out)
{
#ifndef _WIN32
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0755);
    if (fd < 0)
        throw PayloadError("Cannot create " + out.string() + " (temporary file " + temporary.string() +
                           "): " + std::strerror(errno));
    ::close(fd);
#else
    (void)temporary;
    (void)out;
#endif
}

void CopyRuntime(const std::filesystem::path& runtime, std::ostream& out)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(runtime, ec))
        throw PayloadError("Cannot open the runtime " + runtime.string() + ": not a regular file");
    std::ifstream in(runtime, std::ios::binary);
    if (!in)
        throw PayloadError("Cannot open the runtime " + runtime.string());
    std::vector<char> buffer(1 << 16);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        out.write(buffer.data(), in.gcount());
    }
    if (in.bad() || !in.eof())
        throw PayloadError("Cannot read the runtime " + runtime.string());
}

} // namespace

void WritePayloadFile(const std::filesystem::path& runtime, const std::filesystem::path& out,
                      const PayloadDescription& payload)
{
    CheckLayout(payload);
    const std::filesystem::path temporary = TemporaryNameNextTo(out);
    CreateTemporary(temporary, out);
    try {
        {
            std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
            if (!file)
                throw PayloadError("Cannot create " + out.string() + " (temporary file " + temporary.string() + ")");
            CopyRuntime(runtime, file);
            WritePayload(file, payload);
            file.close();
            if (!file)
                throw PayloadError("Cannot write " + out.string() + " (temporary file " + temporary.string() + ")");
        }
        std::error_code ec;
        std::filesystem::rename(temporary, out, ec);
        if (ec)
            throw PayloadError("Cannot rename " + temporary.string() + " to " + out.string() + ": " + ec.message());
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        throw;
    }
}

} // namespace saver
