#include "payload/Trailer.h"

#include <string>

namespace saver {

std::string_view MusicTypeExtension(uint8_t typeByte)
{
    switch (typeByte) {
    case MusicTypeMidi:
        return ".mid";
    case MusicTypeMp3:
        return ".mp3";
    case MusicTypeWav:
        return ".wav";
    default:
        return {};
    }
}

std::vector<uint8_t> EnabledStyles(const EffectTable& table)
{
    std::vector<uint8_t> styles;
    for (int i = 0; i < EffectTableSize; ++i) {
        if (table[i] == 1 && !ExcludedStyles.Contains(i))
            styles.push_back(static_cast<uint8_t>(i));
    }
    return styles;
}

int32_t SizeAreaWalk::Next()
{
    // Once D reaches 0 the entry would start at L: the trailer described more
    // entries than its size area holds.
    if (m_distance <= 0)
        throw PayloadError("The size area holds at most " + std::to_string(SizeAreaEntries) +
                           " entries; the trailer describes more");
    const int32_t size = m_file.ReadInt32(m_file.Length() - m_distance);
    m_distance -= 4;
    return size;
}

std::vector<int32_t> ReadSizes(SizeAreaWalk& walk, int32_t count)
{
    if (count < 0)
        throw PayloadError("Negative item count " + std::to_string(count));
    std::vector<int32_t> sizes;
    for (int32_t k = 0; k < count; ++k)
        sizes.push_back(walk.Next());
    return sizes;
}

int64_t BlockWalk::Next(int32_t size)
{
    if (size < 0)
        throw PayloadError("Negative block size " + std::to_string(size));
    m_distance += size;
    const int64_t start = m_length - m_distance;
    if (start < 0)
        throw PayloadError("A block of " + std::to_string(size) + " bytes would start " + std::to_string(-start) +
                           " bytes before the beginning of the file");
    return start;
}

std::vector<uint8_t> ReadMusicTypes(PayloadFile& file, int32_t musicCount)
{
    if (musicCount < 0)
        throw PayloadError("Negative music count " + std::to_string(musicCount));
    return file.ReadBlock(TrailerStart(file) + TrailerOffset::MusicTypes, musicCount);
}

EffectTable ReadEffectTable(PayloadFile& file, int32_t musicCount)
{
    EffectTable table{};
    file.Read(TrailerStart(file) + TrailerOffset::EffectTable(musicCount), table);
    return table;
}

namespace {

void LocateItems(TrailerContents& t, BlockWalk& walk, ItemKind kind, const std::vector<int32_t>& sizes,
                 int64_t fileLength)
{
    const size_t first = t.items.size();
    t.items.resize(first + sizes.size());
    for (size_t k = sizes.size(); k-- > 0;) {
        PayloadItem& item = t.items[first + k];
        item.kind = kind;
        item.index = static_cast<int32_t>(k);
        item.size = sizes[k];
        item.start = walk.Next(sizes[k]);
        item.fromEnd = fileLength - item.start;
    }
}

} // namespace

TrailerContents ReadTrailer(PayloadFile& file)
{
    if (file.Length() < TrailerSize)
        throw PayloadError("The file is " + std::to_string(file.Length()) + " bytes long, too short for the " +
                           std::to_string(TrailerSize) + "-byte payload trailer");

    const int64_t s = TrailerStart(file);
    TrailerContents t;
    t.modeMarker = file.ReadByte(s + TrailerOffset::ModeMarker);
    t.musicMarker = file.ReadByte(s + TrailerOffset::MusicMarker);
    t.kind = t.modeMarker == PictureMarker ? PayloadKind::Picture : PayloadKind::Flash;
    t.itemCount = file.ReadInt32(s + TrailerOffset::ItemCount);
    const bool picture = t.kind == PayloadKind::Picture;
    if (picture && t.musicMarker == PictureMarker)
        t.musicCount = file.ReadInt32(s + TrailerOffset::MusicCount);
    t.exitMode = file.ReadInt32(s + TrailerOffset::ExitMode);
    if (picture)
        t.musicTypes = ReadMusicTypes(file, t.musicCount);

    SizeAreaWalk sizeWalk(file);
    const std::vector<int32_t> itemSizes = ReadSizes(sizeWalk, t.itemCount);
    const std::vector<int32_t> musicSizes = picture ? ReadSizes(sizeWalk, t.musicCount) : std::vector<int32_t>{};

    BlockWalk blockWalk(file.Length());
    LocateItems(t, blockWalk, picture ? ItemKind::Picture : ItemKind::Movie, itemSizes, file.Length());
    LocateItems(t, blockWalk, ItemKind::Music, musicSizes, file.Length());

    if (picture) {
        t.pictureInterval = file.ReadInt32(s + TrailerOffset::PictureInterval(t.musicCount));
        t.effectTable = ReadEffectTable(file, t.musicCount);
        t.enabledStyles = EnabledStyles(t.effectTable);
        t.extensionStyles = ReadStyleExtension(file, file.Length() - blockWalk.Distance());
    }
    return t;
}

} // namespace saver
