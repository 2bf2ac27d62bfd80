#include "saver/SaverHead.h"

#include "core/Error.h"
#include "gui/Application.h"
#include "gui/Backend.h"
#include "gui/Form.h"
#include "saver/Unitprewin.h"
#include "saver/unithead.h"

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <memory>
#include <optional>

namespace saver {
namespace {

const char* const kNoConfiguration = "There is no configuration for this screensaver.";
const char* const kRefusalCaption = "Quorbel";
const char* const kSaverTitle = "Lumivex";
// The window XScreenSaver gives each of its programs to draw into.
const char* const kHostVariable = "XSCREENSAVER_WINDOW";

// The platform's string-to-integer conversion for a window handle: decimal
// with an optional sign, or hexadecimal after "$" or "0x". Throws with
// `invalid` as the message when the text is no number.
HWND ParseHandle(const std::string& text, const std::string& invalid)
{
    bool negative = false;
    size_t at = 0;
    if (!text.empty() && (text[at] == '-' || text[at] == '+'))
        negative = text[at++] == '-';
    int base = 10;
    if (text.compare(at, 1, "$") == 0) {
        base = 16;
        at += 1;
    } else if (text.compare(at, 2, "0x") == 0 || text.compare(at, 2, "0X") == 0) {
        base = 16;
        at += 2;
    }
    uint64_t value = 0;
    const char* begin = text.data() + at;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(begin, end, value, base);
    if (begin == end || ec != std::errc() || ptr != end || value > UINT32_MAX)
        throw Exception(invalid);
    return HWND(negative ? uint32_t(0u - uint32_t(value)) : uint32_t(value));
}

HWND ParseWindowHandle(const std::vector<std::string>& args)
{
    if (args.size() < 2 || args[1].empty())
        throw Exception("The preview needs a window handle after /p");
    return ParseHandle(args[1], "'" + args[1] + "' is not a valid window handle");
}

// A host's window id; 0 names no window.
HWND ParseWindowId(const std::string& text)
{
    const HWND id = ParseHandle(text, "'" + text + "' is not a valid window id");
    if (id == 0)
        throw Exception("'" + text + "' is not a valid window id");
    return id;
}

void RunPreview(Application& app, const std::vector<std::string>& args)
{
    const HWND host = ParseWindowHandle(args);
    std::unique_ptr<TForm2> preview = Form::Create<TForm2>();
    preview->SetParentWindow(host);
    auto freePreview = [&] {
        preview->DestroyHandle();
        preview.reset();
        app.Terminate();
    };
    try {
        Rect hostRect{};
        if (!app.GetBackend().GetForeignWindowRect(ParseWindowHandle(args), hostRect))
            throw Exception("The preview window " + args[1] + " does not exist");
        hostRect.Offset(-hostRect.Left, -hostRect.Top);
        preview->SetBoundsRect(hostRect);
        preview->ShowModal();
    } catch (...) {
        freePreview();
        throw;
    }
    freePreview();
}

void RunConfigurationRefusal(Application& app)
{
    app.MessageBox(kNoConfiguration, kRefusalCaption);
    app.Terminate();
}

void RunSaver(Application& app, const HostChoice& choice)
{
    HWND host = choice.Kind == HostKind::Window ? choice.Window : 0;
    if (choice.Kind == HostKind::Root) {
        host = app.GetBackend().DesktopWindow();
        if (host == 0)
            throw Exception("There is no root window to draw on here");
    }
    app.Initialize();
    app.SetTitle(kSaverTitle);
    app.AddForm(Form::Create<TForm1>(host));
    app.Run();
}

} // namespace

RunKind ChooseRun(const std::vector<std::string>& args)
{
    const std::string first = args.empty() ? std::string() : args[0];
    if (first == "/p")
        return RunKind::Preview;
    if (first.size() >= 2 && std::tolower(static_cast<unsigned char>(first[1])) == 'c')
        return RunKind::ConfigurationRefusal;
    return RunKind::Saver;
}

HostChoice ChooseHost(const std::vector<std::string>& args, const char* hostVariable)
{
    std::optional<HWND> argumentId;
    bool root = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--window-id" || args[i] == "-window-id") {
            if (i + 1 >= args.size())
                throw Exception(args[i] + " needs a window id");
            argumentId = ParseWindowId(args[++i]);
        } else if (args[i] == "--root" || args[i] == "-root") {
            root = true;
        }
    }
    if (argumentId)
        return {HostKind::Window, *argumentId};
    if (hostVariable && *hostVariable)
        return {HostKind::Window, ParseWindowId(hostVariable)};
    if (root)
        return {HostKind::Root, 0};
    return {};
}

InfoRequest ChooseInfoRequest(const std::vector<std::string>& args)
{
    if (args.empty())
        return InfoRequest::None;
    if (args[0] == "--help" || args[0] == "-h")
        return InfoRequest::Usage;
    if (args[0] == "--version")
        return InfoRequest::Version;
    return InfoRequest::None;
}

std::string UsageText(const std::string& program)
{
    return "Usage: " + program + " [/s | /a | /c | /p WINDOW] [--window-id ID | --root]\n"
           "A screensaver that plays the pictures, music or movies appended to its own file.\n"
           "\n"
           "Screensaver arguments:\n"
           "  (none), /s, /a       run full screen until the input the saver's exit mode names\n"
           "  /c (also /C, -c, /c:N)  answer that there is no configuration\n"
           "  /p WINDOW            show the preview inside the X window WINDOW\n"
           "Host arguments (XScreenSaver):\n"
           "  --window-id ID, -window-id ID  draw into the X window ID (decimal or 0x hex)\n"
           "  --root, -root        draw on the root window\n"
           "  -h, --help           print this text and exit\n"
           "  --version            print the version and exit\n"
           "\n"
           "Environment:\n"
           "  DISPLAY              the X display to open (none: the run fails)\n"
           "  XSCREENSAVER_WINDOW  the host's window, set by XScreenSaver\n"
           "  SAVER_TRACE=1        print a trace of shell calls and audio warnings on stderr\n"
           "  XDG_RUNTIME_DIR      where the private folder for extracted files goes (else /tmp)\n"
           "  SAVER_BACKEND=headless  run without a display, in virtual time, with:\n"
           "    SAVER_SCREEN=WxH, SAVER_RUN_MS=N, SAVER_SCRIPT=FILE, SAVER_DUMP=DIR, SAVER_DUMP_MS=N\n";
}

std::string VersionText(const std::string& program) { return program + " " SAVER_VERSION "\n"; }

int SaverMain(const std::vector<std::string>& args, Backend& backend)
{
    Application app(backend);
    try {
        switch (ChooseRun(args)) {
        case RunKind::Preview:
            RunPreview(app, args);
            break;
        case RunKind::ConfigurationRefusal:
            RunConfigurationRefusal(app);
            break;
        case RunKind::Saver:
            RunSaver(app, ChooseHost(args, std::getenv(kHostVariable)));
            backend.RunEnded();
            break;
        }
    } catch (const std::exception& error) {
        // A failure that ends the run is reported like any other, then the
        // process ends with a failure code.
        app.MessageBox(error.what(), "Error");
        return 1;
    }
    return 0;
}

} // namespace saver
