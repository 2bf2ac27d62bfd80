#include "payload/ReadPayload.h"

#include "core/Diagnostics.h"
#include "core/Utf8Path.h"
#include "gdi/Jpeg.h"
#include "payload/PayloadFile.h"
#include "payload/Trailer.h"

namespace saver {
namespace {

void PictureBranch(PayloadFile& file, PayloadTarget& target, PayloadFields& f)
{
    const int64_t s = TrailerStart(file);
    const uint8_t musicMarker = file.ReadByte(s + TrailerOffset::MusicMarker);
    f.PlayMode = TPlayMode::pmPicture;
    target.SetFlashSize(0, 0);
    f.ItemCount = file.ReadInt32(s + TrailerOffset::ItemCount);
    if (musicMarker == PictureMarker)
        f.MusicCount = file.ReadInt32(s + TrailerOffset::MusicCount);
    f.ExitMode = TExitMode(file.ReadInt32(s + TrailerOffset::ExitMode));
    f.MusicTypes = ReadMusicTypes(file, f.MusicCount);
    if (ExitsOnMouseMove(f.ExitMode))
        target.HideCursor();
    f.StartCursor = target.GetCursorPos();

    SizeAreaWalk sizes(file);
    const std::vector<int32_t> pictureSizes = ReadSizes(sizes, f.ItemCount);
    const std::vector<int32_t> musicSizes = ReadSizes(sizes, f.MusicCount);

    // Pictures, last to first. Each file holds exactly its picture. A block
    // whose JPEG header does not parse costs only itself: it is reported,
    // its file is written empty (so no earlier run's picture shows in its
    // place), and the reading goes on. One buffer serves every item.
    BlockWalk blocks(file.Length());
    std::vector<uint8_t> picture;
    for (int32_t k = f.ItemCount - 1; k >= 0; --k) {
        const int64_t start = blocks.Next(pictureSizes[size_t(k)]);
        file.ReadBlock(start, pictureSizes[size_t(k)], picture);
        const std::string path = target.TempPath() + "fpics" + std::to_string(k) + ".jpg";
        if (const JpegHeaderResult header = ReadJpegHeader(picture); !header.ok) {
            ReportDiagnostic("picture " + std::to_string(k) + " skipped, not a JPEG picture: " + header.error);
            f.SkippedPictures.insert(k);
            picture.clear();
        }
        target.WriteItem(path, picture);
    }

    if (musicMarker == PictureMarker) {
        std::string firstExtension;
        std::vector<uint8_t>& music = picture;
        for (int32_t j = f.MusicCount - 1; j >= 0; --j) {
            const int64_t start = blocks.Next(musicSizes[size_t(j)]);
            file.ReadBlock(start, musicSizes[size_t(j)], music);
            const std::string extension(MusicTypeExtension(f.MusicTypes[size_t(j)]));
            if (!extension.empty())
                target.WriteItem(target.TempPath() + "qorvane" + std::to_string(j) + extension, music);
            if (j == 0)
                firstExtension = extension;
        }
        target.StartMusic(target.TempPath() + "qorvane0" + firstExtension);
    }

    f.PictureInterval = file.ReadInt32(s + TrailerOffset::PictureInterval(f.MusicCount));
    (void)file.ReadByte(s + TrailerOffset::PictureUninterpreted(f.MusicCount));
    const EffectTable table = ReadEffectTable(file, f.MusicCount);
    // The style extension, when the file has one before its first block,
    // adds the styles the table cannot enable.
    const std::vector<uint8_t> enabled =
        MergeStyles(EnabledStyles(table), ReadStyleExtension(file, file.Length() - blocks.Distance()));
    std::copy(enabled.begin(), enabled.end(), f.EnabledStyles.begin());
    f.EnabledStyleCount = int32_t(enabled.size());
    if (f.EnabledStyleCount == 0)
        target.ShowLoadError(kLoadEffectDataError);
}

void FlashBranch(PayloadFile& file, PayloadTarget& target, PayloadFields& f)
{
    const int64_t s = TrailerStart(file);
    f.PlayMode = TPlayMode::pmFlash;
    target.SetFlashVisible(true);
    f.ItemCount = file.ReadInt32(s + TrailerOffset::ItemCount);
    f.ExitMode = TExitMode(file.ReadInt32(s + TrailerOffset::ExitMode));
    (void)file.ReadByte(s + TrailerOffset::FlashUninterpreted);
    SizeAreaWalk sizes(file);
    const std::vector<int32_t> movieSizes = ReadSizes(sizes, f.ItemCount);
    BlockWalk blocks(file.Length());
    std::vector<uint8_t> movie; // one buffer for every movie
    for (int32_t k = f.ItemCount - 1; k >= 0; --k) {
        const int64_t start = blocks.Next(movieSizes[size_t(k)]);
        file.ReadBlock(start, movieSizes[size_t(k)], movie);
        target.WriteItem(target.TempPath() + "qorvane" + std::to_string(k) + ".swf", movie);
    }
    // Without movies there is nothing to load: the fixed name would play a
    // stale file left in the folder by another screensaver.
    if (f.ItemCount > 0) {
        target.LoadMovie(target.TempPath() + "qorvane0.swf");
        target.PlayMovie();
    }
}

} // namespace

bool ReadPayload(const std::string& fileName, PayloadTarget& target)
{
    try {
        PayloadFile file(Utf8Path(fileName));
        const int64_t s = TrailerStart(file);
        const uint8_t modeMarker = file.ReadByte(s + TrailerOffset::ModeMarker);
        (void)file.ReadByte(s + TrailerOffset::MusicMarker);
        if (modeMarker == PictureMarker)
            PictureBranch(file, target, target.Fields());
        else
            FlashBranch(file, target, target.Fields());
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace saver
