#include "saverpack/SaverPack.h"

#include "gdi/Bitmap.h"
#include "payload/JpegHeader.h"
#include "payload/PayloadWriter.h"
#include "payload/Trailer.h"
#include "saverpack/PreparePicture.h"
#include "saverpack/XScreenSaverConfig.h"
#include "transitions/PSEffect.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <optional>
#include <random>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace saver {

static_assert(LastStyle == kLastShowStyle, "the style extension covers every built-in style");

namespace {

constexpr std::string_view UsageText = R"(Usage:
  saverpack pictures --out FILE [options] PICTURE...
  saverpack flash --out FILE [options] MOVIE...
  saverpack info FILE
  saverpack extract FILE DIR
  saverpack inspect FILE
  saverpack --install-xscreensaver NAME [--select] [options] PICTURE...

pictures  Builds a slideshow screensaver: a copy of the runtime with the
          pictures, the music files and the trailer appended. PICTURE is a
          JPEG, PNG, WebP, BMP, TIFF or HEIC/HEIF file, or a folder: its
          pictures and those of its subfolders are taken in the order of
          their paths (names starting with '.' are passed over, and files
          that are no picture by their content are counted and skipped).
flash     Builds a screensaver that plays the Flash (.swf) movies in turn.
info      Lists what a screensaver holds: its kind, the items with their sizes
          (and picture sizes), the interval, the exit mode and the styles.
extract   Writes the items of a screensaver back out as files into DIR.
inspect   Prints the trailer of a screensaver as JSON.
--install-xscreensaver
          Builds a slideshow screensaver as ~/.local/share/quorbel/NAME.scr
          and adds it to XScreenSaver's programs (~/.xscreensaver; the rest of
          that file stays as it is). Takes the options of pictures but --out;
          --runtime defaults to the installed saver. NAME: letters, digits,
          spaces, '.', '_' and '-'. With --select it also becomes the saver
          XScreenSaver runs ("mode: one" and its "selected" position).

Options for pictures and flash:
  --runtime EXE        the runtime executable to copy (default: the stripped
                       runtime beside saverpack, saver-stripped, else saver)
  --out FILE           the screensaver to write (required), executable
  --exit-mode N        1 to 4, which input ends the saver (default 4)
  --skip-bad           leave out pictures that do not decode instead of
                       refusing them
Options for pictures:
  --screen WxH         pictures larger than this are scaled down to fit it,
                       keeping their shape (default 1920x1080); never up
  --keep-size          store pictures at their own size
  --quality N          JPEG quality of converted pictures, 1 to 100
                       (default 90)
  --shuffle            the pictures in a random order
  --interval N         seconds each picture stays (default 5)
  --effects LIST       enabled transition styles, e.g. 1-6,52,130-150, or all
                       (1 to 150); numbers 0 to 150. At least one must be a
                       style 0 to 122 that older runtimes show (not 7, 9,
                       16, 17, 24-27, 33, 34, 47-51 or 119-122), so that they
                       run the saver too (default: every style 1 to 122
                       except those)
  --music FILE         background music, MIDI, MP3 or WAV (recognised by
                       content); repeatable
Raw options, to build unusual files for testing:
  --mode-marker N      byte at trailer offset 0
  --music-marker N     byte at trailer offset 1
  --item-count N       item count written into the trailer
  --music-count N      music count written into the trailer
  --music-type-byte J=N  type byte N for music item J (any content)
  --effect-table HEX   the 123 effect table bytes as 246 hex digits
  --fill-byte N        value of the trailer bytes the saver does not read
  --unchecked          skip the content, value and limit checks

Every picture is decoded in full before anything is written; music and
movies are checked by their content. The file is written under a temporary
name beside FILE and renamed at the end, so a failure leaves nothing.

A JPEG that fits the screen and stands upright is stored byte for byte; one
that is only turned by its EXIF orientation is turned losslessly. Every
other picture is turned upright, scaled down to fit and stored as a JPEG.

Examples:
  A folder of phone photos with music, for a 2560x1440 screen:
    saverpack pictures --out Holiday.scr --screen 2560x1440 \
        --music song.mp3 ~/Pictures/Holiday
  Two pictures kept at full size, a new one every 10 s, ended by a key:
    saverpack pictures --out Two.scr --keep-size --interval 10 \
        --exit-mode 3 sunset.heic harbour.png
  A shuffled folder as XScreenSaver's saver:
    saverpack --install-xscreensaver Family --select --shuffle ~/Pictures

Limits: at most 100 pictures and music items together, at most 58 music
items, at most 100 movies.
Exit status: 0 success, 1 file error, 2 usage or content error.
)";

// Exit code 2: the command line or the content given is wrong.
class UsageError : public Exception {
public:
    using Exception::Exception;
};

// Exit code 1: a file could not be read or written.
class IoError : public Exception {
public:
    using Exception::Exception;
};

int32_t ParseInt32(std::string_view text, std::string_view option)
{
    bool negative = false;
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '-') {
        negative = true;
        digits.remove_prefix(1);
    }
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.remove_prefix(2);
    }
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (negative)
        value = -value;
    if (digits.empty() || ec != std::errc{} || end != digits.data() + digits.size() ||
        value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        throw UsageError(std::string(option) + " expects a 32-bit number, not '" + std::string(text) + "'");
    return static_cast<int32_t>(value);
}

uint8_t ParseByte(std::string_view text, std::string_view option)
{
    const int32_t value = ParseInt32(text, option);
    if (value < 0 || value > 255)
        throw UsageError(std::string(option) + " expects a byte value 0 to 255, not " + std::string(text));
    return static_cast<uint8_t>(value);
}

// "1-6,52,118" or "all" -> the style numbers in it, each 0 to 150; "all"
// stands for 1 to 150.
std::vector<int> ParseStyleList(std::string_view text)
{
    std::vector<int> styles;
    size_t pos = 0;
    while (pos <= text.size()) {
        const size_t comma = std::min(text.find(',', pos), text.size());
        const std::string_view token = text.substr(pos, comma - pos);
        pos = comma + 1;
        if (token.empty())
            throw UsageError("--effects: empty entry in '" + std::string(text) + "'");
        if (token == "all") {
            for (int style = 1; style <= LastStyle; ++style)
                styles.push_back(style);
            continue;
        }
        const size_t dash = token.find('-', 1);
        const int32_t first = ParseInt32(token.substr(0, dash), "--effects");
        const int32_t last = dash == std::string_view::npos ? first : ParseInt32(token.substr(dash + 1), "--effects");
        if (first < 0 || last < first)
            throw UsageError("--effects: invalid range '" + std::string(token) + "'");
        if (last > LastStyle)
            throw UsageError("--effects: there is no style " + std::to_string(last) + "; the styles are 0 to " +
                             std::to_string(LastStyle));
        for (int style = first; style <= last; ++style)
            styles.push_back(style);
    }
    return styles;
}

EffectTable ParseEffectTableHex(std::string_view text)
{
    if (text.size() != 2 * EffectTableSize)
        throw UsageError("--effect-table expects " + std::to_string(2 * EffectTableSize) + " hex digits, not " +
                         std::to_string(text.size()));
    EffectTable table{};
    for (int i = 0; i < EffectTableSize; ++i) {
        const char* digits = text.data() + 2 * i;
        const auto [end, ec] = std::from_chars(digits, digits + 2, table[i], 16);
        if (ec != std::errc{} || end != digits + 2)
            throw UsageError("--effect-table: '" + std::string(digits, 2) + "' is not a hex byte");
    }
    return table;
}

EffectTable DefaultEffectTable()
{
    EffectTable table{};
    for (int style = 1; style < EffectTableSize; ++style)
        table[style] = ExcludedStyles.Contains(style) ? 0 : 1;
    return table;
}

[[noreturn]] void ThrowCannotRead(const std::string& path, int error)
{
    throw IoError("cannot read " + path + ": " + std::strerror(error));
}

// A whole input file; a failure says what the system said.
Bytes ReadInputFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        ThrowCannotRead(path, errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        ThrowCannotRead(path, errno);
    if (S_ISDIR(info.st_mode))
        ThrowCannotRead(path, EISDIR);
    if (!S_ISREG(info.st_mode))
        throw IoError("cannot read " + path + ": not a regular file");
    if (info.st_size > std::numeric_limits<int32_t>::max())
        throw UsageError(path + " is too large for a payload block (at most 2147483647 bytes)");
    Bytes bytes(static_cast<size_t>(info.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            ThrowCannotRead(path, errno);
        if (got == 0)
            throw IoError("cannot read " + path + ": it shrank while being read");
        done += static_cast<size_t>(got);
    }
    return bytes;
}

// "1920x1080" -> its width and height, each 1 to the largest bitmap side.
PictureSize ParseScreenSize(std::string_view text)
{
    const size_t x = text.find('x');
    if (x != std::string_view::npos) {
        const int32_t width = ParseInt32(text.substr(0, x), "--screen");
        const int32_t height = ParseInt32(text.substr(x + 1), "--screen");
        if (width >= 1 && height >= 1 && width <= Bitmap::kMaxDimension && height <= Bitmap::kMaxDimension)
            return {width, height};
    }
    throw UsageError("--screen expects WIDTHxHEIGHT, each 1 to " + std::to_string(Bitmap::kMaxDimension) +
                     ", not '" + std::string(text) + "'");
}

struct BuildOptions {
    PayloadKind kind = PayloadKind::Picture;
    std::optional<std::string> runtime;
    std::optional<std::string> out;
    std::optional<int32_t> exitMode;
    std::optional<int32_t> interval;
    std::optional<std::string> effects;
    std::optional<EffectTable> effectTable;
    std::vector<std::string> music;
    std::map<int32_t, uint8_t> musicTypeBytes;
    std::optional<uint8_t> modeMarker;
    std::optional<uint8_t> musicMarker;
    std::optional<uint8_t> fill;
    std::optional<int32_t> itemCount;
    std::optional<int32_t> musicCount;
    bool unchecked = false;
    bool skipBad = false;
    bool help = false;
    bool shuffle = false;
    PrepareOptions prepare;
    bool terminal = false; // standard error is a terminal: progress is shown
    std::vector<std::string> inputs;
};

// Splits "--name=value" and fetches a value from the next argument when the
// option needs one.
class ArgumentCursor {
public:
    explicit ArgumentCursor(const std::vector<std::string>& args, size_t first) : m_args(args), m_pos(first) {}

    [[nodiscard]] bool Done() const { return m_pos >= m_args.size(); }
    const std::string& Take() { return m_args[m_pos++]; }
    std::string Value(const std::string& option, std::optional<std::string>& inlineValue)
    {
        if (inlineValue)
            return *std::exchange(inlineValue, std::nullopt);
        if (Done())
            throw UsageError(option + " needs a value");
        return Take();
    }

private:
    const std::vector<std::string>& m_args;
    size_t m_pos;
};

BuildOptions ParseBuildOptions(const std::vector<std::string>& args)
{
    BuildOptions o;
    o.kind = args[0] == "flash" ? PayloadKind::Flash : PayloadKind::Picture;
    const bool picture = o.kind == PayloadKind::Picture;
    ArgumentCursor cursor(args, 1);
    bool optionsEnded = false;
    while (!cursor.Done()) {
        std::string arg = cursor.Take();
        if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            o.inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::optional<std::string> inlineValue;
        if (const size_t eq = arg.find('='); eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            arg.resize(eq);
        }
        const auto value = [&] { return cursor.Value(arg, inlineValue); };
        const auto pictureOnly = [&] {
            if (!picture)
                throw UsageError(arg + " applies to picture payloads only");
        };

        if (arg == "--help")
            o.help = true;
        else if (arg == "--unchecked")
            o.unchecked = true;
        else if (arg == "--skip-bad")
            o.skipBad = true;
        else if (arg == "--runtime")
            o.runtime = value();
        else if (arg == "--out")
            o.out = value();
        else if (arg == "--exit-mode")
            o.exitMode = ParseInt32(value(), arg);
        else if (arg == "--mode-marker")
            o.modeMarker = ParseByte(value(), arg);
        else if (arg == "--music-marker")
            o.musicMarker = ParseByte(value(), arg);
        else if (arg == "--fill-byte")
            o.fill = ParseByte(value(), arg);
        else if (arg == "--item-count")
            o.itemCount = ParseInt32(value(), arg);
        else if (arg == "--music-count")
            o.musicCount = ParseInt32(value(), arg);
        else if (arg == "--screen") {
            pictureOnly();
            o.prepare.Screen = ParseScreenSize(value());
        } else if (arg == "--keep-size") {
            pictureOnly();
            o.prepare.KeepSize = true;
        } else if (arg == "--quality") {
            pictureOnly();
            o.prepare.Quality = ParseInt32(value(), arg);
            if (o.prepare.Quality < 1 || o.prepare.Quality > 100)
                throw UsageError("--quality must be 1 to 100, not " + std::to_string(o.prepare.Quality));
        } else if (arg == "--shuffle") {
            pictureOnly();
            o.shuffle = true;
        } else if (arg == "--interval") {
            pictureOnly();
            o.interval = ParseInt32(value(), arg);
        } else if (arg == "--effects") {
            pictureOnly();
            o.effects = value();
        } else if (arg == "--effect-table") {
            pictureOnly();
            o.effectTable = ParseEffectTableHex(value());
        } else if (arg == "--music") {
            pictureOnly();
            o.music.push_back(value());
        } else if (arg == "--music-type-byte") {
            pictureOnly();
            const std::string text = value();
            const size_t eq = text.find('=');
            if (eq == std::string::npos)
                throw UsageError("--music-type-byte expects INDEX=BYTE, not '" + text + "'");
            const int32_t index = ParseInt32(std::string_view(text).substr(0, eq), arg);
            o.musicTypeBytes[index] = ParseByte(std::string_view(text).substr(eq + 1), arg);
        } else {
            throw UsageError("Unknown option " + arg);
        }
        if (inlineValue)
            throw UsageError(arg + " takes no value");
    }
    return o;
}

std::string ExtensionOf(const std::string& path)
{
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

std::optional<uint8_t> MusicTypeForExtension(const std::string& ext)
{
    for (uint8_t type : {MusicTypeMidi, MusicTypeMp3, MusicTypeWav}) {
        if (MusicTypeExtension(type) == ext)
            return type;
    }
    return std::nullopt;
}

// Sets up everything but the file contents, checking what the command line
// alone can tell.
PayloadDescription Describe(const BuildOptions& o)
{
    const bool picture = o.kind == PayloadKind::Picture;
    if (!o.out)
        throw UsageError("--out is required");
    if (o.effects && o.effectTable)
        throw UsageError("--effects and --effect-table cannot be combined");

    PayloadDescription d;
    d.kind = o.kind;
    d.check = o.unchecked ? LayoutCheck::Unchecked : LayoutCheck::Checked;
    d.exitMode = o.exitMode.value_or(4);
    d.pictureInterval = o.interval.value_or(5);
    d.modeMarker = o.modeMarker;
    d.musicMarker = o.musicMarker;
    d.itemCount = o.itemCount;
    d.musicCount = o.musicCount;
    d.fill = o.fill.value_or(0);
    d.items.resize(o.inputs.size());

    if (picture) {
        if (o.effectTable) {
            d.effectTable = *o.effectTable;
        } else if (o.effects) {
            // The table keeps its entries for every style it holds; what it
            // cannot enable (styles above it, and the excluded ones) goes in
            // the style extension.
            for (int style : ParseStyleList(*o.effects)) {
                if (style < EffectTableSize)
                    d.effectTable[style] = 1;
                if (style >= EffectTableSize || ExcludedStyles.Contains(style))
                    d.extensionStyles.push_back(style);
            }
        } else {
            d.effectTable = DefaultEffectTable();
        }

        for (const auto& [index, byte] : o.musicTypeBytes) {
            if (index < 0 || static_cast<size_t>(index) >= o.music.size())
                throw UsageError("--music-type-byte: there is no music item " + std::to_string(index));
        }
        // A checked build takes the type from the content once it is read;
        // an unchecked one goes by the extension.
        for (size_t j = 0; j < o.music.size(); ++j) {
            MusicItem item;
            if (auto it = o.musicTypeBytes.find(static_cast<int32_t>(j)); it != o.musicTypeBytes.end()) {
                item.typeByte = it->second;
            } else if (auto type = MusicTypeForExtension(ExtensionOf(o.music[j]))) {
                item.typeByte = *type;
            } else if (o.unchecked) {
                throw UsageError(o.music[j] + ": unknown music type; use a .mid, .mp3 or .wav file");
            }
            d.music.push_back(std::move(item));
        }
    }

    if (!o.unchecked) {
        if (o.inputs.empty())
            throw UsageError(picture ? "No pictures given" : "No movies given");
        if (d.exitMode < 1 || d.exitMode > 4)
            throw UsageError("--exit-mode must be 1 to 4, not " + std::to_string(d.exitMode));
        if (picture && d.pictureInterval < 1)
            throw UsageError("--interval must be at least 1, not " + std::to_string(d.pictureInterval));
        if (picture && EnabledStyles(d.effectTable).empty())
            throw UsageError(d.extensionStyles.empty()
                                 ? "No transition style is enabled; the saver would refuse to run"
                                 : "No transition style that older runtimes show is enabled; add one of 0 to 122 "
                                   "outside 7, 9, 16, 17, 24-27, 33, 34, 47-51 and 119-122, or they refuse to "
                                   "run the saver");
    }
    try {
        CheckLayout(d);
    } catch (const PayloadError& e) {
        throw UsageError(e.what());
    }
    return d;
}

std::string FindRuntime();

// The leading bytes of a file, enough to tell its format.
Bytes ReadHead(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    Bytes head(kPictureSignatureBytes);
    if (!in)
        ThrowCannotRead(path.string(), errno);
    in.read(reinterpret_cast<char*>(head.data()), std::streamsize(head.size()));
    if (in.bad())
        ThrowCannotRead(path.string(), errno);
    head.resize(size_t(in.gcount()));
    return head;
}

// The pictures of a folder and its subfolders, sorted by path. Names that
// start with '.' (thumbnail caches, trash) are passed over; files that are
// no picture by their content are counted in `skipped`.
void AddFolderPictures(const std::filesystem::path& folder, std::vector<std::string>& pictures, size_t& skipped)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->path().filename().string().starts_with('.')) {
            it.disable_recursion_pending();
            continue;
        }
        // A link that leads nowhere is passed over like a folder.
        if (std::error_code statError; it->is_regular_file(statError))
            files.push_back(it->path());
    }
    if (ec)
        throw IoError("cannot read " + folder.string() + ": " + ec.message());
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        if (PictureFormatOf(ReadHead(file)))
            pictures.push_back(file.string());
        else
            ++skipped;
    }
}

// The picture files the inputs name, folders walked, in the order to show.
std::vector<std::string> PictureFiles(const BuildOptions& o, std::ostream& err)
{
    std::vector<std::string> pictures;
    size_t skipped = 0;
    for (const std::string& input : o.inputs) {
        struct stat info {};
        if (::stat(input.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            AddFolderPictures(input, pictures, skipped);
        else
            pictures.push_back(input);
    }
    if (skipped > 0)
        err << "saverpack: skipped " << skipped << (skipped > 1 ? " files" : " file")
            << (skipped > 1 ? " that are not pictures" : " that is not a picture") << " in the folders\n";
    if (pictures.empty() && !o.inputs.empty())
        throw UsageError("No pictures found in the folders given");
    if (o.shuffle)
        std::shuffle(pictures.begin(), pictures.end(), std::mt19937(std::random_device{}()));
    return pictures;
}

// A line on a terminal saying which picture is being prepared, for packs of
// more than a few; nothing anywhere else.
class ProgressLine {
public:
    ProgressLine(std::ostream& err, bool terminal, size_t total) : m_err(err), m_shown(terminal && total > 3), m_total(total) {}
    ~ProgressLine() { Clear(); }

    void Show(size_t index, const std::string& path)
    {
        if (!m_shown)
            return;
        m_err << "\rsaverpack: picture " << index + 1 << " of " << m_total << ": "
              << std::filesystem::path(path).filename().string() << "\033[K" << std::flush;
        m_drawn = true;
    }
    // Leaves the line empty for a message or the end.
    void Clear()
    {
        if (m_drawn)
            m_err << "\r\033[K" << std::flush;
        m_drawn = false;
    }

private:
    std::ostream& m_err;
    bool m_shown;
    size_t m_total;
    bool m_drawn = false;
};

// How many pictures went in which way.
struct PackSummary {
    size_t asGiven = 0;
    size_t turned = 0;
    size_t converted = 0;
    size_t music = 0;
};

PackSummary BuildSaver(BuildOptions o, std::ostream& err)
{
    const bool picture = o.kind == PayloadKind::Picture;
    if (picture)
        o.inputs = PictureFiles(o, err);
    PayloadDescription d = Describe(o);

    // Music first: its checks are quick, preparing pictures is not.
    PackSummary summary;
    for (size_t j = 0; j < o.music.size(); ++j) {
        d.music[j].data = ReadInputFile(o.music[j]);
        if (o.unchecked || o.musicTypeBytes.contains(static_cast<int32_t>(j)))
            continue;
        const std::optional<uint8_t> type = MusicTypeOfContent(d.music[j].data);
        if (!type)
            throw UsageError(o.music[j] + " is not music: neither MIDI, WAV nor MP3 by its content");
        d.music[j].typeByte = *type;
    }
    summary.music = o.music.size();

    std::vector<Bytes> items;
    ProgressLine progress(err, o.terminal && picture && !o.unchecked, o.inputs.size());
    for (size_t i = 0; i < o.inputs.size(); ++i) {
        const std::string& input = o.inputs[i];
        Bytes bytes = ReadInputFile(input);
        if (!o.unchecked && picture) {
            progress.Show(i, input);
            try {
                PreparedPicture prepared = PreparePicture(bytes, o.prepare);
                bytes = std::move(prepared.Jpeg);
                ++(prepared.How == Preparation::AsGiven ? summary.asGiven
                   : prepared.How == Preparation::Turned ? summary.turned
                                                          : summary.converted);
            } catch (const PictureError& e) {
                progress.Clear();
                if (!o.skipBad)
                    throw UsageError(input + ": " + e.what() + " (--skip-bad leaves such pictures out)");
                err << "saverpack: skipped " << input << ": " << e.what() << '\n';
                continue;
            }
        } else if (!o.unchecked && !picture && !IsFlashMovie(bytes)) {
            throw UsageError(input + " is not a Flash movie (no FWS, CWS or ZWS signature)");
        }
        items.push_back(std::move(bytes));
    }
    progress.Clear();
    if (items.empty() && !o.inputs.empty())
        throw UsageError("No picture is left to pack");
    d.items = std::move(items);


    try {
        WritePayloadFile(o.runtime ? *o.runtime : FindRuntime(), *o.out, d);
    } catch (const PayloadError& e) {
        throw IoError(e.what());
    }
    return summary;
}

// "wrote FILE: 3 pictures (1 as given, 2 converted), 1 music item".
void PrintWritten(std::ostream& out, const std::string& path, const PackSummary& s)
{
    const auto count = [](size_t n, const char* one, const char* many) {
        return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    out << "saverpack: wrote " << path;
    const size_t pictures = s.asGiven + s.turned + s.converted;
    if (pictures > 0) {
        out << ": " << count(pictures, "picture", "pictures") << " (";
        const char* separator = "";
        for (const auto& [n, how] : {std::pair{s.asGiven, "as given"}, std::pair{s.turned, "turned losslessly"},
                                     std::pair{s.converted, "converted"}}) {
            if (n > 0)
                out << std::exchange(separator, ", ") << n << ' ' << how;
        }
        out << ')';
        if (s.music > 0)
            out << ", " << count(s.music, "music item", "music items");
    }
    out << '\n';
}

int Build(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool terminal)
{
    BuildOptions o = ParseBuildOptions(args);
    if (o.help) {
        out << UsageText;
        return SaverPackOk;
    }
    o.terminal = terminal;
    const PackSummary summary = BuildSaver(o, err);
    PrintWritten(out, *o.out, summary);
    return SaverPackOk;
}

// ------------------------------------------------------ XScreenSaver install

namespace fs = std::filesystem;

// The name becomes a file name and XScreenSaver's quoted name of the entry.
void CheckSaverName(const std::string& name)
{
    const bool fits = !name.empty() && name.size() <= 64 && std::isalnum(static_cast<unsigned char>(name[0])) &&
                      std::all_of(name.begin(), name.end(), [](unsigned char c) {
                          return std::isalnum(c) || c == ' ' || c == '.' || c == '_' || c == '-';
                      });
    if (!fits)
        throw UsageError("'" + name + "' cannot name a screensaver: use up to 64 letters, digits, spaces, '.', "
                         "'_' and '-', starting with a letter or digit");
}

// The path as one word of a shell command inside a settings value, where a
// backslash would be read as an escape.
std::string ShellWord(const std::string& path)
{
    if (path.find_first_of("'\\\"\n") != std::string::npos)
        throw UsageError("cannot list " + path + " in ~/.xscreensaver: quotes and backslashes are not allowed there");
    const bool plain = std::all_of(path.begin(), path.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '/' || c == '.' || c == '_' || c == '-' || c == '+';
    });
    return plain ? path : "'" + path + "'";
}

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The runtime to embed: beside this program (the build tree's stripped copy,
// else bin/saver), or where XScreenSaver keeps its programs.
std::string FindRuntime()
{
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        for (const fs::path& candidate : {self.parent_path() / "saver-stripped", self.parent_path() / "saver",
                                          self.parent_path() / ".." / "libexec" / "xscreensaver" / "saver"}) {
            if (fs::is_regular_file(candidate, ec))
                return fs::weakly_canonical(candidate, ec).string();
        }
    }
    throw UsageError("no installed saver runtime was found beside saverpack; give it with --runtime EXE");
}

std::optional<std::string> ReadTextFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw IoError("cannot read " + path.string());
    return text;
}

// The system's default programs list, which a settings file without a list
// of its own stands for.
std::string SystemPrograms()
{
    for (const char* path : {"/etc/X11/app-defaults/XScreenSaver", "/usr/share/X11/app-defaults/XScreenSaver"})
        if (const std::optional<std::string> text = ReadTextFile(path))
            return RawProgramsValue(*text);
    return {};
}

// Replaces the file in one step, keeping its permissions.
void ReplaceFile(const fs::path& path, const std::string& text)
{
    const fs::path temporary = path.string() + ".saverpack-new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out || !out.write(text.data(), std::streamsize(text.size())) || !out.flush())
            throw IoError("cannot write " + temporary.string());
    }
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!ec && fs::exists(status))
        fs::permissions(temporary, status.permissions(), ec);
    fs::rename(temporary, path, ec);
    if (ec)
        throw IoError("cannot replace " + path.string() + ": " + ec.message());
}

int InstallXScreenSaver(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool terminal)
{
    if (args.size() < 2)
        throw UsageError("--install-xscreensaver needs a NAME");
    const std::string& name = args[1];
    CheckSaverName(name);
    std::vector<std::string> buildArgs{"pictures"};
    bool select = false;
    for (auto it = args.begin() + 2; it != args.end(); ++it) {
        if (*it == "--") {
            buildArgs.insert(buildArgs.end(), it, args.end());
            break;
        }
        if (*it == "--select")
            select = true;
        else
            buildArgs.push_back(*it);
    }
    BuildOptions o = ParseBuildOptions(buildArgs);
    if (o.help) {
        out << UsageText;
        return SaverPackOk;
    }
    o.terminal = terminal;
    if (o.out)
        throw UsageError("--install-xscreensaver chooses where the saver goes; --out cannot be given");
    const std::string home = Environment("HOME");
    if (home.empty() || home[0] != '/')
        throw UsageError("HOME must name your home folder");
    const std::string dataHome = Environment("XDG_DATA_HOME");
    const fs::path saverPath =
        (dataHome.size() > 1 && dataHome[0] == '/' ? fs::path(dataHome) : fs::path(home) / ".local" / "share") /
        "quorbel" / (name + ".scr");
    const fs::path settingsPath = fs::path(home) / ".xscreensaver";

    // The settings are checked before anything is written: a file that
    // cannot be edited safely leaves everything as it was.
    const std::string command = ShellWord(saverPath.string()) + " -root";
    const std::string settings = ReadTextFile(settingsPath).value_or("");
    std::optional<std::string> updated;
    try {
        if (!ListsProgram(settings, saverPath.string()))
            updated = AddProgram(settings, "\"" + name + "\"\t" + command, SystemPrograms());
        if (select) {
            const std::string selected = SelectProgram(updated.value_or(settings), saverPath.string());
            if (selected != settings)
                updated = selected;
        }
    } catch (const MalformedSettings& e) {
        throw UsageError(settingsPath.string() + " cannot be edited safely: " + e.what() +
                         "; nothing was installed");
    }

    if (!o.runtime)
        o.runtime = FindRuntime();
    o.out = saverPath.string();
    std::error_code ec;
    fs::create_directories(saverPath.parent_path(), ec);
    if (ec)
        throw IoError("cannot create " + saverPath.parent_path().string() + ": " + ec.message());
    PrintWritten(out, saverPath.string(), BuildSaver(o, err));
    if (updated) {
        ReplaceFile(settingsPath, *updated);
        if (select)
            out << "saverpack: \"" << name << "\" is the selected saver in " << settingsPath.string()
                << " (mode: one)\n";
        else
            out << "saverpack: added \"" << name << "\" to " << settingsPath.string() << '\n';
    } else {
        out << "saverpack: " << settingsPath.string() << " already lists it\n";
    }
    return SaverPackOk;
}

void PrintList(std::ostream& out, const std::vector<uint8_t>& values)
{
    out << '[';
    for (size_t i = 0; i < values.size(); ++i)
        out << (i ? ", " : "") << int{values[i]};
    out << ']';
}

std::string_view KindName(ItemKind kind)
{
    switch (kind) {
    case ItemKind::Picture:
        return "picture";
    case ItemKind::Music:
        return "music";
    case ItemKind::Movie:
        return "movie";
    }
    return "unknown";
}

void PrintTrailerJson(std::ostream& out, const TrailerContents& t)
{
    const bool picture = t.kind == PayloadKind::Picture;
    out << "{\n";
    out << "  \"mode\": \"" << (picture ? "picture" : "flash") << "\",\n";
    out << "  \"modeMarker\": " << int{t.modeMarker} << ",\n";
    out << "  \"musicMarker\": " << int{t.musicMarker} << ",\n";
    out << "  \"itemCount\": " << t.itemCount << ",\n";
    out << "  \"musicCount\": " << t.musicCount << ",\n";
    out << "  \"exitMode\": " << t.exitMode << ",\n";
    out << "  \"pictureInterval\": ";
    if (picture)
        out << t.pictureInterval;
    else
        out << "null";
    out << ",\n  \"musicTypes\": [";
    for (size_t j = 0; j < t.musicTypes.size(); ++j) {
        out << (j ? ", " : "");
        if (const std::string_view ext = MusicTypeExtension(t.musicTypes[j]); !ext.empty())
            out << '"' << ext << '"';
        else
            out << int{t.musicTypes[j]};
    }
    out << "],\n  \"enabledStyles\": ";
    PrintList(out, t.enabledStyles);
    out << ",\n  \"extensionStyles\": ";
    PrintList(out, t.extensionStyles);
    out << ",\n  \"items\": [";
    for (size_t i = 0; i < t.items.size(); ++i) {
        const PayloadItem& item = t.items[i];
        out << (i ? ",\n" : "\n") << "    {\"kind\": \"" << KindName(item.kind) << "\", \"index\": " << item.index
            << ", \"size\": " << item.size << ", \"start\": " << item.start << ", \"fromEnd\": " << item.fromEnd
            << '}';
    }
    out << (t.items.empty() ? "]\n" : "\n  ]\n") << "}\n";
}

// The file arguments of a reading command; empty after --help.
std::vector<std::string> FileArguments(const std::vector<std::string>& args, std::ostream& out, size_t count,
                                       const char* what)
{
    std::vector<std::string> files;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--help") {
            out << UsageText;
            return {};
        }
        if (args[i].size() > 1 && args[i][0] == '-')
            throw UsageError("Unknown option " + args[i]);
        files.push_back(args[i]);
    }
    if (files.size() != count)
        throw UsageError(args[0] + " takes " + what);
    return files;
}

int Inspect(const std::vector<std::string>& args, std::ostream& out)
{
    const std::vector<std::string> files = FileArguments(args, out, 1, "exactly one file");
    if (files.empty())
        return SaverPackOk;
    TrailerContents trailer;
    try {
        PayloadFile file(files[0]);
        trailer = ReadTrailer(file);
    } catch (const PayloadError& e) {
        throw IoError(files[0] + ": " + e.what());
    }
    PrintTrailerJson(out, trailer);
    return SaverPackOk;
}

// A screensaver's trailer, read as the runtime reads it. A file whose end
// describes no items that fit in it holds no payload.
TrailerContents ReadSaverPayload(PayloadFile& file, const std::string& path)
{
    try {
        TrailerContents trailer = ReadTrailer(file);
        if (!trailer.items.empty())
            return trailer;
    } catch (const PayloadError& e) {
        throw UsageError(path + " holds no screensaver payload (" + e.what() + ")");
    }
    throw UsageError(path + " holds no screensaver payload (its trailer lists no items)");
}

PayloadFile OpenSaver(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        ThrowCannotRead(path, errno);
    try {
        return PayloadFile(path);
    } catch (const PayloadError& e) {
        throw IoError(e.what());
    }
}

// A screensaver named on the command line, opened and its payload read.
struct OpenedSaver {
    std::vector<std::string> files;
    PayloadFile file;
    TrailerContents trailer;
};

// Opens the screensaver the arguments name and runs the command on it;
// nothing after --help.
int RunOnSaver(const std::vector<std::string>& args, std::ostream& out, size_t count, const char* what,
               void (*command)(OpenedSaver&, std::ostream&))
{
    std::vector<std::string> files = FileArguments(args, out, count, what);
    if (files.empty())
        return SaverPackOk;
    PayloadFile file = OpenSaver(files[0]);
    TrailerContents trailer = ReadSaverPayload(file, files[0]);
    OpenedSaver saver{std::move(files), std::move(file), std::move(trailer)};
    command(saver, out);
    return SaverPackOk;
}

std::string_view ExitModeName(int32_t mode)
{
    switch (mode) {
    case 1:
        return "mouse movement";
    case 2:
        return "mouse buttons";
    case 3:
        return "any key";
    case 4:
        return "mouse movement, mouse buttons or any key";
    default:
        return "no input ends it";
    }
}

// The file name an item is extracted under: its kind, its number, and the
// extension its content type gives.
std::string ItemFileName(const TrailerContents& t, const PayloadItem& item)
{
    char number[8];
    std::snprintf(number, sizeof number, "%02d", item.index);
    switch (item.kind) {
    case ItemKind::Picture:
        return std::string("picture") + number + ".jpg";
    case ItemKind::Movie:
        return std::string("movie") + number + ".swf";
    case ItemKind::Music:
        break;
    }
    const std::string_view ext = MusicTypeExtension(t.musicTypes[size_t(item.index)]);
    return std::string("music") + number + (ext.empty() ? std::string(".bin") : std::string(ext));
}

void PrintInfo(OpenedSaver& saver, std::ostream& out)
{
    PayloadFile& file = saver.file;
    const TrailerContents& t = saver.trailer;
    const bool picture = t.kind == PayloadKind::Picture;
    out << "kind: " << (picture ? "pictures" : "flash") << '\n';
    out << "items:\n";
    for (const PayloadItem& item : t.items) {
        out << "  " << ItemFileName(t, item) << ": " << item.size << " bytes";
        if (item.kind == ItemKind::Picture) {
            const JpegHeaderResult jpeg = ReadJpegHeader(file.ReadBlock(item.start, item.size));
            if (jpeg.ok)
                out << ", " << jpeg.UprightWidth() << 'x' << jpeg.UprightHeight();
            else
                out << ", not a JPEG picture";
        }
        out << '\n';
    }
    if (picture)
        out << "interval: " << t.pictureInterval << " s\n";
    out << "exit mode: " << t.exitMode << " (" << ExitModeName(t.exitMode) << ")\n";
    if (picture) {
        const std::vector<uint8_t> styles = PlayedStyles(t);
        out << "styles: " << styles.size() << " enabled\n";
        for (const uint8_t style : styles)
            out << "  " << int{style} << ' ' << ShowStyleName(style) << '\n';
    }
}

void ExtractItems(OpenedSaver& saver, std::ostream& out)
{
    const TrailerContents& t = saver.trailer;
    const fs::path dir = saver.files[1];
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec)
        throw IoError("cannot create " + dir.string() + ": " + ec.message());
    std::vector<uint8_t> block;
    for (const PayloadItem& item : t.items) {
        saver.file.ReadBlock(item.start, item.size, block);
        const fs::path path = dir / ItemFileName(t, item);
        std::ofstream stream(path, std::ios::binary | std::ios::trunc);
        if (!stream || !stream.write(reinterpret_cast<const char*>(block.data()), std::streamsize(block.size())) ||
            !stream.flush())
            throw IoError("cannot write " + path.string());
    }
    out << "saverpack: wrote " << t.items.size() << " files to " << dir.string() << '\n';
}

} // namespace

int RunSaverPack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool errIsTerminal)
{
    try {
        if (args.empty()) {
            err << UsageText;
            return SaverPackUsageError;
        }
        const std::string& command = args[0];
        if (command == "--help" || command == "-h" || command == "help") {
            out << UsageText;
            return SaverPackOk;
        }
        if (command == "pictures" || command == "flash")
            return Build(args, out, err, errIsTerminal);
        if (command == "inspect")
            return Inspect(args, out);
        if (command == "info")
            return RunOnSaver(args, out, 1, "exactly one file", PrintInfo);
        if (command == "extract")
            return RunOnSaver(args, out, 2, "a file and a folder", ExtractItems);
        if (command == "--install-xscreensaver")
            return InstallXScreenSaver(args, out, err, errIsTerminal);
        throw UsageError("Unknown command '" + command + "'; try saverpack --help");
    } catch (const UsageError& e) {
        err << "saverpack: " << e.what() << '\n';
        return SaverPackUsageError;
    } catch (const IoError& e) {
        err << "saverpack: " << e.what() << '\n';
        return SaverPackIoError;
    } catch (const std::exception& e) {
        err << "saverpack: " << e.what() << '\n';
        return SaverPackIoError;
    }
}

} // namespace saver
