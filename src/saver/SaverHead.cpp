#include "saver/SaverHead.h"

#include "core/Error.h"
#include "gui/Application.h"
#include "gui/Backend.h"
#include "gui/Form.h"
#include "saver/Unitprewin.h"
#include "saver/unithead.h"

#include <cctype>
#include <charconv>
#include <memory>

namespace saver {
namespace {

const char* const kNoConfiguration = "There is no configuration for this screensaver.";
const char* const kRefusalCaption = "Quorbel";
const char* const kSaverTitle = "Lumivex";

// The platform's string-to-integer conversion for a window handle: decimal
// with an optional sign, or hexadecimal after "$" or "0x".
HWND ParseWindowHandle(const std::vector<std::string>& args)
{
    if (args.size() < 2 || args[1].empty())
        throw Exception("The preview needs a window handle after /p");
    std::string text = args[1];
    bool negative = false;
    size_t at = 0;
    if (text[at] == '-' || text[at] == '+')
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
        throw Exception("'" + args[1] + "' is not a valid window handle");
    return HWND(negative ? uint32_t(0u - uint32_t(value)) : uint32_t(value));
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

void RunSaver(Application& app)
{
    app.Initialize();
    app.SetTitle(kSaverTitle);
    app.AddForm(Form::Create<TForm1>());
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
            RunSaver(app);
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
