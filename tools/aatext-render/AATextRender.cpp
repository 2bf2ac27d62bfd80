#include "aatext-render/AATextRender.h"

#include "core/Error.h"
#include "gdi/PngFile.h"

#include <charconv>
#include <map>
#include <optional>
#include <variant>

namespace saver {

namespace {

constexpr const char* kUsage =
    "usage: aatext-render --text TEXT --size WIDTHxHEIGHT --out FILE.png\n"
    "                     [--background RRGGBB] [--quality high|normal|low|none]\n"
    "Renders one line of tagged text (<Title1> ... <Text3>, <Left>, <Center>, <Right>,\n"
    "<Owner>, <Organization>, <AppTitle>, <Date>, <Time>) with the default font sets.\n";

// A whole decimal number in 1..limit.
std::optional<int32_t> ParseDimension(std::string_view text, int32_t limit)
{
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > limit)
        return std::nullopt;
    return value;
}

// Six hex digits, red first, as in web colours.
std::optional<TColor> ParseColor(std::string_view text)
{
    if (!text.empty() && text.front() == '#')
        text.remove_prefix(1);
    uint32_t rgb = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), rgb, 16);
    if (text.size() != 6 || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return RGB(uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb));
}

struct Options {
    std::string Text, Out;
    int32_t Width = 0, Height = 0;
    TColor Background = clWhite;
    TAAQuality Quality = TAAQuality::aqNormal;
};

// The options, or an error message.
std::variant<Options, std::string> ParseArgs(const std::vector<std::string>& args)
{
    static const std::map<std::string, TAAQuality> kQualities{{"high", TAAQuality::aqHigh},
                                                              {"normal", TAAQuality::aqNormal},
                                                              {"low", TAAQuality::aqLow},
                                                              {"none", TAAQuality::aqNone}};
    Options options;
    bool haveText = false, haveSize = false;
    for (size_t i = 0; i < args.size(); i += 2) {
        const std::string& name = args[i];
        if (name != "--text" && name != "--size" && name != "--out" && name != "--background" && name != "--quality")
            return "unknown option '" + name + "'";
        if (i + 1 >= args.size())
            return name + " needs a value";
        const std::string& value = args[i + 1];
        if (name == "--text") {
            options.Text = value;
            haveText = true;
        } else if (name == "--out") {
            options.Out = value;
        } else if (name == "--size") {
            const size_t x = value.find('x');
            const auto w = ParseDimension(std::string_view(value).substr(0, x), Bitmap::kMaxDimension);
            const auto h = x == std::string::npos
                               ? std::nullopt
                               : ParseDimension(std::string_view(value).substr(x + 1), Bitmap::kMaxDimension);
            if (!w || !h)
                return "--size takes WIDTHxHEIGHT, each 1 to " + std::to_string(Bitmap::kMaxDimension) + ", not '" +
                       value + "'";
            options.Width = *w;
            options.Height = *h;
            haveSize = true;
        } else if (name == "--background") {
            const auto color = ParseColor(value);
            if (!color)
                return "--background takes six hex digits RRGGBB, not '" + value + "'";
            options.Background = *color;
        } else {
            const auto quality = kQualities.find(value);
            if (quality == kQualities.end())
                return "--quality takes high, normal, low or none, not '" + value + "'";
            options.Quality = quality->second;
        }
    }
    if (!haveText)
        return "--text is required";
    if (!haveSize)
        return "--size is required";
    if (options.Out.empty())
        return "--out is required";
    return options;
}

} // namespace

void RenderTaggedLine(Bitmap& bitmap, std::string line, TColor background, TAAQuality quality)
{
    TFontLabels fonts;
    AddDefaultFontSets(fonts);
    AddFadeTextFontSets(fonts);
    TUserLabels labels;
    AddDefaultUserLabels(labels);

    bitmap.SetPixelFormat(PixelFormat::pf24bit);
    Canvas& canvas = bitmap.GetCanvas();
    TAAFontEx font(&canvas);
    font.Mask().SetQuality(quality);
    TAlignment alignment = TAlignment::taLeftJustify;
    fonts.ApplyFontTags(line, &canvas.Font, &font.Effect());
    labels.ApplyLabelTags(line, alignment);

    const int32_t w = font.TextWidth(line), h = font.TextHeight(line);
    const int32_t x = alignment == TAlignment::taLeftJustify    ? 0
                      : alignment == TAlignment::taRightJustify ? bitmap.Width() - w
                                                                : (bitmap.Width() - w) / 2;
    const int32_t y = (bitmap.Height() - h) / 2;
    canvas.Brush = {background, BrushStyle::bsSolid};
    canvas.FillRect({0, 0, bitmap.Width(), bitmap.Height()});
    canvas.Brush.Style = BrushStyle::bsClear;
    font.TextOut(x, y, line);
}

int RunAATextRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << kUsage;
        return AATextRenderOk;
    }
    const auto parsed = ParseArgs(args);
    if (const auto* message = std::get_if<std::string>(&parsed)) {
        err << "aatext-render: " << *message << "\n" << kUsage;
        return AATextRenderUsageError;
    }
    const Options& options = std::get<Options>(parsed);
    try {
        Bitmap bitmap(options.Width, options.Height, PixelFormat::pf24bit);
        RenderTaggedLine(bitmap, options.Text, options.Background, options.Quality);
        SavePng(bitmap, options.Out);
    } catch (const std::exception& e) {
        err << "aatext-render: " << e.what() << "\n";
        return AATextRenderIoError;
    }
    out << options.Out << "\n";
    return AATextRenderOk;
}

} // namespace saver
