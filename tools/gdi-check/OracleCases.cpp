#include "OracleCases.h"

#include "core/Error.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace saver::oracle {
namespace {

int32_t ToInt(const std::string& word, const std::string& where)
{
    int64_t value = 0;
    auto [ptr, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (ec != std::errc() || ptr != word.data() + word.size() || value < INT32_MIN || value > INT32_MAX)
        throw Exception(where + ": bad number '" + word + "'");
    return int32_t(value);
}

std::vector<std::string> Words(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

} // namespace

namespace {

enum class LineKind { Blank, Region, Blit, Answer };

// One line of a case file or corpus; fills the case it holds.
LineKind ParseLine(const std::string& line, const std::string& where, RegionCase& region, BlitCase& blit)
{
    const std::vector<std::string> w = Words(line);
    if (w.empty() || w[0][0] == '#')
        return LineKind::Blank;
    if (w[0] == "rgn") {
        if (w.size() < 5)
            throw Exception(where + ": expected 'rgn NAME W H EXPR'");
        region = {w[1], ToInt(w[2], where), ToInt(w[3], where), {}};
        for (size_t i = 4; i < w.size(); ++i)
            region.Expression += (i > 4 ? " " : "") + w[i];
        return LineKind::Region;
    }
    if (w[0] == "blt") {
        if (w.size() != 15)
            throw Exception(where + ": expected 'blt NAME MODE' and 12 numbers");
        int32_t n[12];
        for (int i = 0; i < 12; ++i)
            n[i] = ToInt(w[3 + i], where);
        blit = {w[1], w[2], n[0], n[1], n[2], n[3], n[4], n[5], n[6], n[7], n[8], n[9], n[10], n[11]};
        return LineKind::Blit;
    }
    if (w[0] == "gdi")
        return LineKind::Answer;
    throw Exception(where + ": unknown case kind '" + w[0] + "'");
}

// The pixel count of a canvas or destination, refusing absurd sizes.
size_t PixelCount(int32_t width, int32_t height, const std::string& where)
{
    constexpr int32_t kLargest = 8192;
    if (width < 1 || height < 1 || width > kLargest || height > kLargest)
        throw Exception(where + ": bad size " + std::to_string(width) + "x" + std::to_string(height));
    return size_t(width) * size_t(height);
}

std::vector<uint32_t> DecodePixels(const std::vector<std::string>& words, size_t first, size_t count,
                                   const std::string& where)
{
    std::vector<uint32_t> pixels;
    pixels.reserve(count);
    for (size_t i = first; i < words.size(); ++i) {
        const std::string& word = words[i];
        const size_t star = word.find('*');
        uint32_t value = 0;
        size_t repeat = 1;
        const char* end = word.data() + (star == std::string::npos ? word.size() : star);
        auto [ptr, ec] = std::from_chars(word.data(), end, value, 16);
        bool good = ec == std::errc() && ptr == end;
        if (good && star != std::string::npos) {
            auto [rptr, rec] = std::from_chars(word.data() + star + 1, word.data() + word.size(), repeat);
            good = rec == std::errc() && rptr == word.data() + word.size() && repeat > 0;
        }
        if (!good || repeat > count - pixels.size())
            throw Exception(where + ": bad pixel run '" + word + "'");
        pixels.insert(pixels.end(), repeat, value);
    }
    if (pixels.size() != count)
        throw Exception(where + ": " + std::to_string(pixels.size()) + " pixels, expected " + std::to_string(count));
    return pixels;
}

std::string EncodePixels(std::span<const uint32_t> pixels)
{
    std::string out;
    char text[24];
    for (size_t i = 0; i < pixels.size();) {
        size_t run = 1;
        while (i + run < pixels.size() && pixels[i + run] == pixels[i])
            ++run;
        const int n = run == 1 ? std::snprintf(text, sizeof text, " %x", unsigned(pixels[i]))
                               : std::snprintf(text, sizeof text, " %x*%zu", unsigned(pixels[i]), run);
        out.append(text, size_t(n));
        i += run;
    }
    return out;
}

bool HasCurves(const std::string& expression)
{
    return expression.find("ellipse") != std::string::npos || expression.find("roundrect") != std::string::npos;
}

} // namespace

CaseFile ParseCases(const std::string& text)
{
    CaseFile file;
    std::istringstream lines(text);
    RegionCase region;
    BlitCase blit{};
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        const std::string where = "cases line " + std::to_string(++number);
        switch (ParseLine(line, where, region, blit)) {
        case LineKind::Region:
            file.Regions.push_back(region);
            break;
        case LineKind::Blit:
            file.Blits.push_back(blit);
            break;
        case LineKind::Answer:
            throw Exception(where + ": an answer in a case file");
        case LineKind::Blank:
            break;
        }
    }
    return file;
}

Region EvaluateRegion(const std::string& expression,
                      const std::function<void(const std::string& op, const Region& top)>& afterStep)
{
    const std::vector<std::string> w = Words(expression);
    std::vector<Region> stack;
    size_t i = 0;
    auto next = [&](const char* what) {
        if (i >= w.size())
            throw Exception(std::string("region expression ends inside ") + what);
        return ToInt(w[i++], "region expression");
    };
    while (i < w.size()) {
        const std::string op = w[i++];
        if (op == "rect") {
            const int32_t l = next("rect"), t = next("rect"), r = next("rect"), b = next("rect");
            stack.push_back(Region::CreateRectRgn(l, t, r, b));
        } else if (op == "ellipse") {
            const int32_t l = next("ellipse"), t = next("ellipse"), r = next("ellipse"), b = next("ellipse");
            stack.push_back(Region::CreateEllipticRgn(l, t, r, b));
        } else if (op == "roundrect") {
            const int32_t l = next("roundrect"), t = next("roundrect"), r = next("roundrect"), b = next("roundrect");
            const int32_t ew = next("roundrect"), eh = next("roundrect");
            stack.push_back(Region::CreateRoundRectRgn(l, t, r, b, ew, eh));
        } else if (op == "poly") {
            if (i >= w.size() || (w[i] != "winding" && w[i] != "alternate"))
                throw Exception("poly needs winding or alternate");
            const PolyFillMode mode = w[i++] == "winding" ? PolyFillMode::Winding : PolyFillMode::Alternate;
            const int32_t count = next("poly");
            if (count < 0 || size_t(count) > Region::kMaxPolygonPoints)
                throw Exception("poly point count out of range");
            std::vector<Point> points;
            for (int32_t k = 0; k < count; ++k) {
                const int32_t x = next("poly");
                points.push_back({x, next("poly")});
            }
            stack.push_back(Region::CreatePolygonRgn(points, mode));
        } else if (op == "or" || op == "and" || op == "xor" || op == "diff") {
            if (stack.size() < 2)
                throw Exception("operator '" + op + "' needs two regions");
            const Region b = std::move(stack.back());
            stack.pop_back();
            Region& a = stack.back();
            const CombineMode mode = op == "or"    ? CombineMode::Or
                                     : op == "and" ? CombineMode::And
                                     : op == "xor" ? CombineMode::Xor
                                                   : CombineMode::Diff;
            a.Combine(a, b, mode);
        } else if (op == "offset") {
            if (stack.empty())
                throw Exception("offset needs a region");
            const int32_t dx = next("offset");
            stack.back().Offset(dx, next("offset"));
        } else {
            throw Exception("unknown region operation '" + op + "'");
        }
        if (afterStep)
            afterStep(op, stack.back());
    }
    if (stack.size() != 1)
        throw Exception("region expression must leave exactly one region");
    return std::move(stack.back());
}

uint32_t PatternPixel(int32_t x, int32_t y)
{
    const uint32_t r = uint32_t(x * 7 + y * 13 + (x >> 8) * 37 + (y >> 8) * 59) & 255;
    return r << 16 | (uint32_t(y) & 255) << 8 | (uint32_t(x) & 255);
}

std::unique_ptr<Bitmap> RunBlit(const BlitCase& c)
{
    Bitmap source(c.SW, c.SH, PixelFormat::pf32bit);
    for (int32_t y = 0; y < c.SH; ++y) {
        uint8_t* row = source.ScanLine(y);
        for (int32_t x = 0; x < c.SW; ++x) {
            const uint32_t v = PatternPixel(x, y);
            std::memcpy(row + x * 4, &v, 4);
        }
    }
    auto dest = std::make_unique<Bitmap>(c.DW, c.DH, PixelFormat::pf32bit);
    const uint32_t fill = 0xFF808080;
    for (int32_t y = 0; y < c.DH; ++y) {
        uint8_t* row = dest->ScanLine(y);
        for (int32_t x = 0; x < c.DW; ++x)
            std::memcpy(row + x * 4, &fill, 4);
    }
    StretchMode mode = StretchMode::BLACKONWHITE;
    if (c.Mode == "coloroncolor")
        mode = StretchMode::COLORONCOLOR;
    else if (c.Mode == "whiteonblack")
        mode = StretchMode::WHITEONBLACK;
    else if (c.Mode == "halftone")
        mode = StretchMode::HALFTONE;
    else if (c.Mode != "blackonwhite" && c.Mode != "default")
        throw Exception("unknown stretch mode '" + c.Mode + "'");
    StretchBlt(*dest, {0, 0, c.DW, c.DH}, c.XD, c.YD, c.WD, c.HD, source, c.XS, c.YS, c.WS, c.HS, mode);
    return dest;
}

std::vector<uint32_t> RegionMask(const Region& region, int32_t width, int32_t height)
{
    std::vector<uint32_t> mask(size_t(width) * size_t(height));
    for (const Rect& r : region.Rects()) {
        const Rect part = r.Intersected({0, 0, width, height});
        for (int32_t y = part.Top; y < part.Bottom; ++y)
            std::fill_n(mask.begin() + ptrdiff_t(size_t(y) * size_t(width) + size_t(part.Left)), part.Width(), 1u);
    }
    return mask;
}

std::vector<uint32_t> BitmapPixels(const Bitmap& bitmap)
{
    std::vector<uint32_t> pixels(size_t(bitmap.Width()) * size_t(bitmap.Height()));
    for (int32_t y = 0; y < bitmap.Height(); ++y)
        std::memcpy(&pixels[size_t(y) * size_t(bitmap.Width())], bitmap.ScanLine(y), size_t(bitmap.Width()) * 4);
    return pixels;
}

std::string RegionAnswerLine(int type, const Rect& box, std::span<const uint32_t> mask)
{
    std::ostringstream out;
    out << "gdi " << type << ' ' << box.Left << ' ' << box.Top << ' ' << box.Right << ' ' << box.Bottom;
    return out.str() + EncodePixels(mask);
}

std::string BlitAnswerLine(std::span<const uint32_t> pixels) { return "gdi" + EncodePixels(pixels); }

std::string CaseLine(const RegionCase& c)
{
    std::ostringstream line;
    line << "rgn " << c.Name << ' ' << c.Width << ' ' << c.Height << ' ' << c.Expression;
    return line.str();
}

std::string CaseLine(const BlitCase& c)
{
    std::ostringstream line;
    line << "blt " << c.Name << ' ' << c.Mode;
    for (const int32_t n : {c.SW, c.SH, c.DW, c.DH, c.XD, c.YD, c.WD, c.HD, c.XS, c.YS, c.WS, c.HS})
        line << ' ' << n;
    return line.str();
}

Corpus ParseCorpus(const std::string& text)
{
    Corpus corpus;
    std::istringstream lines(text);
    RegionCase region;
    BlitCase blit{};
    LineKind pending = LineKind::Blank; // a case waiting for its answer
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        const std::string where = "corpus line " + std::to_string(++number);
        const LineKind kind = ParseLine(line, where, region, blit);
        if (kind == LineKind::Blank)
            continue;
        if ((kind == LineKind::Answer) == (pending == LineKind::Blank))
            throw Exception(where + (kind == LineKind::Answer ? ": an answer without a case" : ": a case without an answer"));
        if (kind != LineKind::Answer) {
            pending = kind;
            continue;
        }
        const std::vector<std::string> w = Words(line);
        if (pending == LineKind::Region) {
            if (w.size() < 6)
                throw Exception(where + ": expected 'gdi TYPE L T R B PIXELS'");
            const Rect box{ToInt(w[2], where), ToInt(w[3], where), ToInt(w[4], where), ToInt(w[5], where)};
            corpus.Regions.push_back({region, ToInt(w[1], where), box,
                                      DecodePixels(w, 6, PixelCount(region.Width, region.Height, where), where)});
        } else {
            corpus.Blits.push_back({blit, DecodePixels(w, 1, PixelCount(blit.DW, blit.DH, where), where)});
        }
        pending = LineKind::Blank;
    }
    if (pending != LineKind::Blank)
        throw Exception("corpus ends with a case without an answer");
    return corpus;
}

std::string CaseFamily(const std::string& name)
{
    std::string family;
    std::istringstream parts(name);
    for (std::string part; std::getline(parts, part, '_');)
        if (part.find_first_not_of("0123456789") != std::string::npos) {
            if (!family.empty())
                family += '_';
            family += part;
        }
    return family.empty() ? name : family;
}

std::string ComparePixels(std::span<const uint32_t> expected, std::span<const uint32_t> actual, int32_t width,
                          const char* expectedName, bool mask)
{
    if (expected.size() != actual.size())
        return std::to_string(actual.size()) + " pixels, " + expectedName + " " + std::to_string(expected.size());
    size_t differing = 0, first = 0;
    for (size_t i = expected.size(); i-- > 0;)
        if (expected[i] != actual[i]) {
            ++differing;
            first = i;
        }
    if (differing == 0)
        return {};
    const auto show = [mask](uint32_t v) {
        char text[16];
        std::snprintf(text, sizeof text, "%08X", unsigned(v));
        return mask ? std::string(v ? "inside" : "outside") : std::string(text);
    };
    std::ostringstream out;
    out << differing << " of " << expected.size() << " pixels differ, first at (" << first % size_t(width) << ", "
        << first / size_t(width) << "): " << expectedName << " " << show(expected[first]) << ", ours "
        << show(actual[first]);
    return out.str();
}

std::string CheckRecorded(const RecordedRegion& recorded)
{
    const RegionCase& c = recorded.Case;
    std::string invalid;
    const Region region = EvaluateRegion(c.Expression, [&](const std::string& op, const Region& top) {
        if (invalid.empty() && !top.IsValid())
            invalid = "not a valid region after '" + op + "'";
    });
    if (!invalid.empty())
        return invalid;
    const std::vector<uint32_t> mask = RegionMask(region, c.Width, c.Height);
    if (std::string difference = ComparePixels(recorded.Mask, mask, c.Width, "GDI", true); !difference.empty())
        return difference;
    // Point queries search the bands; they must agree with the rectangles.
    for (int32_t y = 0; y < c.Height; ++y)
        for (int32_t x = 0; x < c.Width; ++x)
            if (region.Contains({x, y}) != (mask[size_t(y) * size_t(c.Width) + size_t(x)] != 0))
                return "the point query disagrees with the rectangles at (" + std::to_string(x) + ", " +
                       std::to_string(y) + ")";
    const Rect box = region.Box();
    if (!HasCurves(c.Expression) && (int(region.Type()) != recorded.Type || box != recorded.Box)) {
        std::ostringstream out;
        out << "same pixels, but the GDI's box " << recorded.Box << " type " << recorded.Type << ", ours " << box
            << " type " << int(region.Type());
        return out.str();
    }
    return {};
}

std::string CheckRecorded(const RecordedBlit& recorded)
{
    return ComparePixels(recorded.Pixels, BitmapPixels(*RunBlit(recorded.Case)), recorded.Case.DW, "GDI", false);
}

} // namespace saver::oracle
