#include "OracleCases.h"

#include "core/Error.h"

#include <charconv>
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

CaseFile ParseCases(const std::string& text)
{
    CaseFile file;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        const std::vector<std::string> w = Words(line);
        if (w.empty() || w[0][0] == '#')
            continue;
        const std::string where = "cases line " + std::to_string(number);
        if (w[0] == "rgn") {
            if (w.size() < 5)
                throw Exception(where + ": expected 'rgn NAME W H EXPR'");
            RegionCase c{w[1], ToInt(w[2], where), ToInt(w[3], where), {}};
            for (size_t i = 4; i < w.size(); ++i)
                c.Expression += (i > 4 ? " " : "") + w[i];
            file.Regions.push_back(c);
        } else if (w[0] == "blt") {
            if (w.size() != 15)
                throw Exception(where + ": expected 'blt NAME MODE' and 12 numbers");
            int32_t n[12];
            for (int i = 0; i < 12; ++i)
                n[i] = ToInt(w[3 + i], where);
            file.Blits.push_back({w[1], w[2], n[0], n[1], n[2], n[3], n[4], n[5], n[6], n[7], n[8], n[9], n[10], n[11]});
        } else {
            throw Exception(where + ": unknown case kind '" + w[0] + "'");
        }
    }
    return file;
}

Region EvaluateRegion(const std::string& expression)
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
        } else {
            throw Exception("unknown region operation '" + op + "'");
        }
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

std::string RegionMaskPbm(const Region& region, int32_t width, int32_t height)
{
    std::string out = "P4\n" + std::to_string(width) + " " + std::to_string(height) + "\n";
    const size_t rowBytes = (size_t(width) + 7) / 8;
    for (int32_t y = 0; y < height; ++y) {
        std::string row(rowBytes, '\0');
        for (int32_t x = 0; x < width; ++x)
            if (region.Contains({x, y}))
                row[size_t(x) / 8] = char(uint8_t(row[size_t(x) / 8]) | (0x80 >> (x % 8)));
        out += row;
    }
    return out;
}

std::string BlitResultPam(const Bitmap& result)
{
    std::string out = "P7\nWIDTH " + std::to_string(result.Width()) + "\nHEIGHT " + std::to_string(result.Height()) +
                      "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    for (int32_t y = 0; y < result.Height(); ++y) {
        const uint8_t* row = result.ScanLine(y);
        for (int32_t x = 0; x < result.Width(); ++x) {
            out += char(row[x * 4 + 2]);
            out += char(row[x * 4 + 1]);
            out += char(row[x * 4]);
            out += char(row[x * 4 + 3]);
        }
    }
    return out;
}

} // namespace saver::oracle
