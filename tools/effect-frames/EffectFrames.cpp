#include "effect-frames/EffectFrames.h"

#include "core/Error.h"
#include "effect-frames/ContactSheet.h"
#include "effect-frames/FrameHashes.h"
#include "effect-frames/TestPictures.h"
#include "effect-frames/TransitionFrames.h"
#include "gdi/Bitmap.h"
#include "gdi/Canvas.h"
#include "gdi/Jpeg.h"
#include "gdi/PngFile.h"
#include "transitions/PSEffect.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <optional>
#include <string_view>

namespace saver {

namespace {

constexpr std::string_view UsageText = R"(Usage:
  effect-frames --style N [--step S] [--progress P[,P...]] [--size WxH]
                [--old PICTURE] [--new PICTURE] --out DIR
  effect-frames --sheet [--step S] [--progress P] [--size WxH]
                [--old PICTURE] [--new PICTURE] --out FILE.png
  effect-frames --list
  effect-frames --hashes

Renders transition frames as the transition control composes them: the old
picture, then at progress 100 the new one, at 0 nothing more, otherwise the
style's effect (style 0, "Custom", draws nothing).

  --style N        transition style, 0 to 150
  --step S         the control's Step, 1 to 100 (default 4)
  --progress LIST  progress values 0 to 100, comma separated (default 50);
                   one file DIR/style-NNN-pPPP.png each
  --size WxH       frame size, 1 to 8192 a side (default 800x600, or the
                   size of a JPEG given; with --sheet, the size of each
                   thumbnail, 16x16 to 512x512, default 160x120)
  --old PICTURE    the picture shown before (default: built-in test picture
                   with a cool gradient, a grid and the digits 1 to 4 in the
                   corners)
  --new PICTURE    the picture coming in (default: built-in test picture with
                   warm stripes, rings and the digits 5 to 8 in the corners)
  --out PATH       output folder (created if missing), or the sheet's file
  --sheet          contact sheet of styles 1 to 150 in 10 columns by 15 rows,
                   each labelled with its number
  --list           one line per style: number, name and family, separated by
                   tabs
  --hashes         one line per style, frame size, step and progress with a
                   hash of the frame's pixels, on the built-in pictures
  --help           this text

PICTURE is a JPEG file, or a solid colour: black, white or #rrggbb (with
solid pictures a frame is a coverage mask). A JPEG is used at its own size:
the new picture's size sets the frame size and an old picture of another
size is stretched to it. With --size given, pictures are stretched to that
size.

Exit status: 0 success, 1 file error, 2 usage error.
)";

constexpr int32_t kMaxFrameSide = 8192;
constexpr Size kDefaultFrameSize{800, 600};
constexpr int32_t kMinThumbnailSide = 16;
constexpr int32_t kMaxThumbnailSide = 512;
constexpr Size kDefaultThumbnailSize{160, 120};

// Exit code 2: the command line is wrong.
class UsageError : public Exception {
public:
    using Exception::Exception;
};

enum class Mode { Frames, List, Sheet, Hashes };

struct PictureSource {
    enum class Kind { BuiltIn, Solid, Jpeg };
    Kind kind = Kind::BuiltIn;
    TColor color = clBlack;
    std::string path;
};

struct Options {
    Mode mode = Mode::Frames;
    std::optional<unsigned> style;
    uint32_t step = 4;
    std::vector<uint32_t> progress{50};
    std::optional<Size> size;
    PictureSource oldPicture;
    PictureSource newPicture;
    std::string out;
    bool modeGiven = false;
};

// A plain decimal number with at most `max`; no sign, no spaces.
std::optional<uint32_t> ParseNumber(std::string_view text, uint32_t max)
{
    uint32_t value = 0;
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value > max)
        return std::nullopt;
    return value;
}

std::vector<uint32_t> ParseProgressList(const std::string& text)
{
    std::vector<uint32_t> values;
    size_t begin = 0;
    while (true) {
        const size_t comma = text.find(',', begin);
        const std::string_view item = std::string_view(text).substr(begin, comma - begin);
        const std::optional<uint32_t> value = ParseNumber(item, 100);
        if (!value)
            throw UsageError("bad progress list '" + text + "': expected numbers 0 to 100 separated by commas");
        values.push_back(*value);
        if (comma == std::string::npos)
            return values;
        begin = comma + 1;
    }
}

Size ParseSize(const std::string& text)
{
    const size_t x = text.find('x');
    const std::optional<uint32_t> w = x == std::string::npos ? std::nullopt : ParseNumber(text.substr(0, x), 999999);
    const std::optional<uint32_t> h = x == std::string::npos ? std::nullopt : ParseNumber(text.substr(x + 1), 999999);
    if (!w || !h)
        throw UsageError("bad size '" + text + "': expected WIDTHxHEIGHT, e.g. 800x600");
    if (*w < 1 || *h < 1 || *w > uint32_t(kMaxFrameSide) || *h > uint32_t(kMaxFrameSide))
        throw UsageError("bad size '" + text + "': each side must be 1 to " + std::to_string(kMaxFrameSide));
    return {int32_t(*w), int32_t(*h)};
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool SameTextAscii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// black, white, #rrggbb, or else the path of a JPEG file.
PictureSource ParsePicture(const std::string& option, const std::string& text)
{
    PictureSource source;
    if (SameTextAscii(text, "black") || SameTextAscii(text, "white")) {
        source.kind = PictureSource::Kind::Solid;
        source.color = SameTextAscii(text, "black") ? clBlack : clWhite;
    } else if (!text.empty() && text[0] == '#') {
        int channel[3] = {};
        bool ok = text.size() == 7;
        for (int i = 0; ok && i < 3; ++i) {
            const int hi = HexDigit(text[1 + 2 * i]), lo = HexDigit(text[2 + 2 * i]);
            ok = hi >= 0 && lo >= 0;
            channel[i] = hi * 16 + lo;
        }
        if (!ok)
            throw UsageError("bad colour '" + text + "' for " + option + ": expected black, white or #rrggbb");
        source.kind = PictureSource::Kind::Solid;
        source.color = RGB(uint8_t(channel[0]), uint8_t(channel[1]), uint8_t(channel[2]));
    } else if (text.empty()) {
        throw UsageError(option + " needs a JPEG file or a colour");
    } else {
        source.kind = PictureSource::Kind::Jpeg;
        source.path = text;
    }
    return source;
}

Options ParseOptions(const std::vector<std::string>& args)
{
    Options o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size())
                throw UsageError(arg + " needs a value");
            return args[++i];
        };
        const auto setMode = [&](Mode mode) {
            if (o.modeGiven && o.mode != mode)
                throw UsageError("--list, --sheet and --hashes cannot be combined");
            o.mode = mode;
            o.modeGiven = true;
        };
        if (arg == "--list") {
            setMode(Mode::List);
        } else if (arg == "--sheet") {
            setMode(Mode::Sheet);
        } else if (arg == "--hashes") {
            setMode(Mode::Hashes);
        } else if (arg == "--style") {
            const std::string& text = value();
            const std::optional<uint32_t> style = ParseNumber(text, 999999);
            if (!style)
                throw UsageError("bad style '" + text + "': expected a number from 0 to 150");
            if (*style > kLastShowStyle)
                throw UsageError("there is no style " + text + ": styles are 0 to 150");
            o.style = *style;
        } else if (arg == "--step") {
            const std::string& text = value();
            const std::optional<uint32_t> step = ParseNumber(text, 100);
            if (!step || *step == 0)
                throw UsageError("bad step '" + text + "': expected a number from 1 to 100");
            o.step = *step;
        } else if (arg == "--progress") {
            o.progress = ParseProgressList(value());
        } else if (arg == "--size") {
            o.size = ParseSize(value());
        } else if (arg == "--old") {
            o.oldPicture = ParsePicture(arg, value());
        } else if (arg == "--new") {
            o.newPicture = ParsePicture(arg, value());
        } else if (arg == "--out") {
            o.out = value();
            if (o.out.empty())
                throw UsageError("--out needs a path");
        } else {
            throw UsageError("unknown option '" + arg + "'");
        }
    }

    switch (o.mode) {
    case Mode::List:
    case Mode::Hashes:
        if (args.size() != 1)
            throw UsageError(std::string(o.mode == Mode::List ? "--list" : "--hashes") + " takes no other options");
        break;
    case Mode::Sheet:
        if (o.style)
            throw UsageError("--sheet draws every style; --style does not apply");
        if (o.progress.size() != 1)
            throw UsageError("--sheet takes a single progress value");
        if (o.size && (o.size->Width < kMinThumbnailSide || o.size->Height < kMinThumbnailSide ||
                       o.size->Width > kMaxThumbnailSide || o.size->Height > kMaxThumbnailSide))
            throw UsageError("sheet thumbnails must be " + std::to_string(kMinThumbnailSide) + " to " +
                             std::to_string(kMaxThumbnailSide) + " pixels a side");
        if (o.out.empty())
            throw UsageError("--sheet needs --out FILE.png");
        break;
    case Mode::Frames:
        if (!o.style)
            throw UsageError("give --style N, --sheet or --list");
        if (o.out.empty())
            throw UsageError("--out DIR is required");
        break;
    }
    return o;
}

// Exit code 1: a file could not be read or written.
class IoError : public Exception {
public:
    using Exception::Exception;
};

std::unique_ptr<Bitmap> LoadJpeg(const std::string& role, const std::string& path)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw IoError("the " + role + " picture '" + path + "' is a folder, not a JPEG file");
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::string message = "cannot open the " + role + " picture '" + path + "': " + std::strerror(errno);
        if (std::filesystem::path(path).extension().empty())
            message += " (colours are black, white or #rrggbb)";
        throw IoError(message);
    }
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        throw IoError("cannot read the " + role + " picture '" + path + "'");
    const JpegHeaderResult header = ReadJpegHeader(bytes);
    if (!header.ok)
        throw IoError("the " + role + " picture '" + path + "' is not a readable JPEG: " + header.error);
    if (header.width > kMaxFrameSide || header.height > kMaxFrameSide)
        throw IoError("the " + role + " picture '" + path + "' is " + std::to_string(header.width) + "x" +
                      std::to_string(header.height) + "; pictures are limited to " + std::to_string(kMaxFrameSide) +
                      " pixels a side");
    auto picture = std::make_unique<Bitmap>(PixelFormat::pf24bit);
    try {
        DecodeJpeg(bytes, *picture);
    } catch (const Exception& e) {
        throw IoError("the " + role + " picture '" + path + "' cannot be decoded: " + e.what());
    }
    return picture;
}

// The picture scaled to `size`, dropping pixels rather than combining them.
std::unique_ptr<Bitmap> StretchPicture(const Bitmap& picture, Size size)
{
    auto stretched = std::make_unique<Bitmap>(size.Width, size.Height, PixelFormat::pf24bit);
    Canvas& canvas = stretched->GetCanvas();
    canvas.SetStretchBltMode(StretchMode::COLORONCOLOR);
    canvas.StretchDraw({0, 0, size.Width, size.Height}, picture);
    return stretched;
}

struct Pictures {
    std::unique_ptr<Bitmap> oldPicture;
    std::unique_ptr<Bitmap> newPicture;
};

std::unique_ptr<Bitmap> MakePicture(const PictureSource& source, std::unique_ptr<Bitmap> jpeg, Size size, bool isNew)
{
    switch (source.kind) {
    case PictureSource::Kind::Solid:
        return MakeSolidPicture(size.Width, size.Height, source.color);
    case PictureSource::Kind::Jpeg:
        if (jpeg->Width() == size.Width && jpeg->Height() == size.Height)
            return jpeg;
        return StretchPicture(*jpeg, size);
    case PictureSource::Kind::BuiltIn:
        break;
    }
    return isNew ? MakeNewTestPicture(size.Width, size.Height) : MakeOldTestPicture(size.Width, size.Height);
}

Pictures LoadPictures(const Options& o, Size defaultSize)
{
    std::unique_ptr<Bitmap> oldJpeg, newJpeg;
    if (o.oldPicture.kind == PictureSource::Kind::Jpeg)
        oldJpeg = LoadJpeg("old", o.oldPicture.path);
    if (o.newPicture.kind == PictureSource::Kind::Jpeg)
        newJpeg = LoadJpeg("new", o.newPicture.path);
    Size size = defaultSize;
    if (o.size)
        size = *o.size;
    else if (newJpeg)
        size = {newJpeg->Width(), newJpeg->Height()};
    else if (oldJpeg)
        size = {oldJpeg->Width(), oldJpeg->Height()};
    Pictures pictures;
    pictures.oldPicture = MakePicture(o.oldPicture, std::move(oldJpeg), size, false);
    pictures.newPicture = MakePicture(o.newPicture, std::move(newJpeg), size, true);
    return pictures;
}

void Save(const Bitmap& bitmap, const std::string& path)
{
    try {
        SavePng(bitmap, path);
    } catch (const Exception& e) {
        throw IoError(e.what());
    }
}

void ListStyles(std::ostream& out)
{
    for (unsigned style = 1; style <= kLastShowStyle; ++style) {
        const TShowStyleEntry& row = ShowStyles[style - 1];
        out << style << '\t' << row.Name << '\t' << StyleFamilyName(row.Family) << '\n';
    }
}

void WriteFrames(const Options& o, std::ostream& out)
{
    const Pictures pictures = LoadPictures(o, kDefaultFrameSize);
    const std::filesystem::path folder(o.out);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder))
        throw IoError("cannot create the folder '" + o.out + "'" + (ec ? ": " + ec.message() : std::string()));
    TransitionFrames frames(*pictures.oldPicture, *pictures.newPicture, *o.style);
    for (const uint32_t progress : o.progress) {
        const std::string path = (folder / FrameFileName(*o.style, progress)).string();
        Save(frames.Compose(o.step, progress), path);
        out << path << '\n';
    }
}

void WriteSheet(const Options& o, std::ostream& out)
{
    const Pictures pictures = LoadPictures(o, kDefaultThumbnailSize);
    const std::unique_ptr<Bitmap> sheet =
        RenderContactSheet(*pictures.oldPicture, *pictures.newPicture, o.step, o.progress.front());
    Save(*sheet, o.out);
    out << o.out << '\n';
}

} // namespace

std::string FrameFileName(unsigned style, unsigned progress)
{
    char name[32];
    std::snprintf(name, sizeof name, "style-%03u-p%03u.png", style, progress);
    return name;
}

int RunEffectFrames(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    for (const std::string& arg : args)
        if (arg == "--help" || arg == "-h") {
            out << UsageText;
            return EffectFramesOk;
        }
    try {
        const Options o = ParseOptions(args);
        switch (o.mode) {
        case Mode::List:
            ListStyles(out);
            break;
        case Mode::Frames:
            WriteFrames(o, out);
            break;
        case Mode::Sheet:
            WriteSheet(o, out);
            break;
        case Mode::Hashes:
            WriteStyleFrameHashes(out);
            break;
        }
        out.flush();
        return EffectFramesOk;
    } catch (const UsageError& e) {
        err << "effect-frames: " << e.what() << "\nTry 'effect-frames --help'.\n";
        return EffectFramesUsageError;
    } catch (const std::bad_alloc&) {
        err << "effect-frames: out of memory\n";
        return EffectFramesIoError;
    } catch (const std::exception& e) {
        err << "effect-frames: " << e.what() << '\n';
        return EffectFramesIoError;
    }
}

} // namespace saver
