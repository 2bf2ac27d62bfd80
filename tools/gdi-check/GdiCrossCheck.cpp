// gdi-crosscheck [--unreliable FILE] [--generated N] [--edges N] [--record CORPUS] [CASES...]
//
// Draws region and blit cases with the platform's GDI and with our raster
// layer, side by side in one process, and compares them pixel for pixel:
// every case of the case files (the reference corpus's language, see
// OracleCases.h) and N cases per family of its own (default 60, fixed
// seed): rectangles, rounded rectangles with clamped corners, ellipses,
// WINDING and ALTERNATE polygons, combinations, offsets, and stretch blits
// that grow, shrink and mirror in COLORONCOLOR and BLACKONWHITE; and N
// narrow blits per stretch mode (--edges, default 100) whose rectangles are
// mirrored and reach outside their bitmaps (see GenerateEdgeBlits).
//
// A region agrees when its mask on the case's canvas is the same, and for
// expressions without curves its box and type too; a blit when every
// destination pixel is. Prints the agreement per family and, for each case
// that differs, the first differing pixel.
//
// Not counted, only reported: cases named in FILE (one name at the start of
// a line; the reference's list of answers that depend on uninitialised
// memory), generated cases with a GDI ellipse or rounded rectangle that
// shows the same fault (see MakeCurved), blits that Wine copies from
// outside the source bitmap (see WineCopiesFromOutside), and halftone
// blits, which our layer draws as COLORONCOLOR. Exit status 0 when every counted case
// agrees, 1 when one differs or cannot be drawn, 2 for bad arguments or
// case files that cannot be read.
//
// --record writes the GDI's answer to every counted case, drawn or not by
// our layer, to CORPUS (see OracleCases.h): the test data the raster
// layer's tests compare against on every platform.

#include "OracleCases.h"

#include "core/Error.h"

#include <windows.h>

#include "gdi/win32/DibInfo.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iomanip>
#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using saver::Exception;
using saver::oracle::BlitCase;
using saver::oracle::RecordedBlit;
using saver::oracle::RecordedRegion;
using saver::oracle::RegionCase;

constexpr uint32_t kBlitFill = 0xFF808080; // destination before the blit
constexpr uint32_t kGeneratorSeed = 20240611;

// ---------------------------------------------------------------- the GDI side

struct RegionDeleter {
    void operator()(HRGN region) const { DeleteObject(region); }
};
using RegionHandle = std::unique_ptr<HRGN__, RegionDeleter>;

// A top-down 32-bit DIB section selected into a memory DC of its own.
class Dib {
public:
    Dib(int32_t width, int32_t height) : m_width(width), m_height(height)
    {
        const BITMAPINFO info = saver::TopDown32BitDibInfo(width, height);
        void* bits = nullptr;
        m_dc = CreateCompatibleDC(nullptr);
        m_bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!m_dc || !m_bitmap || !bits) {
            Release();
            throw Exception("cannot create a " + std::to_string(width) + "x" + std::to_string(height) + " DIB section");
        }
        m_bits = static_cast<uint32_t*>(bits);
        m_previous = SelectObject(m_dc, m_bitmap);
    }
    ~Dib() { Release(); }
    Dib(const Dib&) = delete;
    Dib& operator=(const Dib&) = delete;

    [[nodiscard]] HDC Dc() const { return m_dc; }
    [[nodiscard]] uint32_t* Bits() const { return m_bits; }
    [[nodiscard]] std::vector<uint32_t> Pixels() const
    {
        GdiFlush();
        return {m_bits, m_bits + size_t(m_width) * size_t(m_height)};
    }

private:
    void Release()
    {
        if (m_dc && m_previous)
            SelectObject(m_dc, m_previous);
        if (m_bitmap)
            DeleteObject(m_bitmap);
        if (m_dc)
            DeleteDC(m_dc);
    }

    int32_t m_width, m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previous = nullptr;
    uint32_t* m_bits = nullptr;
};

std::vector<char> RegionBytes(HRGN region)
{
    const DWORD size = GetRegionData(region, 0, nullptr);
    std::vector<char> data(size);
    if (size == 0 || GetRegionData(region, size, reinterpret_cast<RGNDATA*>(data.data())) != size)
        throw Exception("GetRegionData failed");
    return data;
}

// An ellipse or rounded rectangle is one span per band, the bands touch,
// each span is centred in the box, and the widths grow and then shrink.
bool CurvedShapeWellFormed(HRGN region)
{
    const std::vector<char> data = RegionBytes(region);
    RGNDATAHEADER header;
    std::memcpy(&header, data.data(), sizeof header);
    const RECT box = header.rcBound;
    std::vector<RECT> rects(header.nCount);
    std::memcpy(rects.data(), data.data() + header.dwSize, rects.size() * sizeof(RECT));
    bool growing = true;
    for (size_t i = 0; i < rects.size(); ++i) {
        const RECT& r = rects[i];
        // Wine emits empty spans at the tips of even-width ellipses.
        if (r.left > r.right || r.top >= r.bottom || r.left < box.left || r.right > box.right || r.top < box.top ||
            r.bottom > box.bottom || r.left - box.left != box.right - r.right)
            return false;
        if (i == 0)
            continue;
        const RECT& p = rects[i - 1];
        if (p.bottom != r.top)
            return false;
        const LONG previousWidth = p.right - p.left, width = r.right - r.left;
        if (width < previousWidth)
            growing = false;
        else if (width > previousWidth && !growing)
            return false;
    }
    return true;
}

// Makes an ellipse or rounded rectangle, make(left, right, corner width),
// and judges the GDI's answer. Wine leaves rows of some narrow shapes
// unwritten, holding whatever the memory held before; so the shape is made
// again right after a wide twin of the same height was made and freed far
// to the right, whose coordinates the unwritten rows then pick up. The
// answer is trusted when both agree and are well formed.
RegionHandle MakeCurved(const std::function<HRGN(int32_t, int32_t, int32_t)>& make, int32_t left, int32_t right,
                        int32_t cornerWidth, bool& trusted)
{
    constexpr int32_t kTwinLeft = 1 << 20, kTwinWidth = 500;
    RegionHandle first(make(left, right, cornerWidth));
    DeleteObject(make(kTwinLeft, kTwinLeft + kTwinWidth, kTwinWidth));
    const RegionHandle second(make(left, right, cornerWidth));
    if (!first || !second)
        trusted = !first && !second;
    else
        trusted = RegionBytes(first.get()) == RegionBytes(second.get()) && CurvedShapeWellFormed(first.get());
    return first;
}

struct NativeRegion {
    RegionHandle Handle;
    int UntrustedShapes = 0; // curved primitives MakeCurved did not trust
};

// The postfix expression with the GDI's own calls. A primitive the GDI
// refuses (returns NULL for) is an empty region, as in the reference.
NativeRegion EvaluateNative(const std::string& expression)
{
    std::istringstream in(expression);
    auto word = [&] {
        std::string w;
        if (!(in >> w))
            throw Exception("region expression ends too early");
        return w;
    };
    auto number = [&] {
        const std::string w = word();
        int32_t value = 0;
        auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), value);
        if (ec != std::errc() || end != w.data() + w.size())
            throw Exception("bad number '" + w + "' in a region expression");
        return value;
    };
    NativeRegion result;
    std::vector<RegionHandle> stack;
    for (std::string op; in >> op;) {
        const int combine = op == "or"     ? RGN_OR
                            : op == "and"  ? RGN_AND
                            : op == "xor"  ? RGN_XOR
                            : op == "diff" ? RGN_DIFF
                                           : 0;
        if (combine) {
            if (stack.size() < 2)
                throw Exception("operator '" + op + "' needs two regions");
            RegionHandle b = std::move(stack.back());
            stack.pop_back();
            CombineRgn(stack.back().get(), stack.back().get(), b.get(), combine);
            continue;
        }
        if (op == "offset") {
            if (stack.empty())
                throw Exception("offset needs a region");
            const int32_t dx = number();
            OffsetRgn(stack.back().get(), dx, number());
            continue;
        }
        RegionHandle made;
        bool trusted = true;
        if (op == "rect") {
            const int32_t l = number(), t = number(), r = number(), b = number();
            made.reset(CreateRectRgn(l, t, r, b));
        } else if (op == "ellipse") {
            const int32_t l = number(), t = number(), r = number(), b = number();
            auto make = [&](int32_t left, int32_t right, int32_t) { return CreateEllipticRgn(left, t, right, b); };
            made = MakeCurved(make, l, r, 0, trusted);
        } else if (op == "roundrect") {
            const int32_t l = number(), t = number(), r = number(), b = number();
            const int32_t ew = number(), eh = number();
            auto make = [&](int32_t left, int32_t right, int32_t width) {
                return CreateRoundRectRgn(left, t, right, b, width, eh);
            };
            made = MakeCurved(make, l, r, ew, trusted);
        } else if (op == "poly") {
            const std::string fill = word();
            if (fill != "winding" && fill != "alternate")
                throw Exception("poly needs winding or alternate");
            const int32_t count = number();
            if (count < 0 || count > 1000)
                throw Exception("poly point count out of range");
            std::vector<POINT> points(size_t(count) + 1);
            for (int32_t k = 0; k < count; ++k) {
                points[k].x = number();
                points[k].y = number();
            }
            made.reset(CreatePolygonRgn(points.data(), count, fill == "winding" ? WINDING : ALTERNATE));
        } else {
            throw Exception("unknown region operation '" + op + "'");
        }
        RegionHandle region = made ? std::move(made) : RegionHandle(CreateRectRgn(0, 0, 0, 0));
        result.UntrustedShapes += !trusted;
        stack.push_back(std::move(region));
    }
    if (stack.size() != 1)
        throw Exception("region expression must leave exactly one region");
    result.Handle = std::move(stack.back());
    return result;
}

// The region's pixels on the canvas, found the way drawing finds them: the
// region clips a white fill of a black DIB.
std::vector<uint32_t> NativeMask(HRGN region, int32_t width, int32_t height)
{
    Dib canvas(width, height);
    std::memset(canvas.Bits(), 0, size_t(width) * size_t(height) * 4);
    SelectClipRgn(canvas.Dc(), region);
    PatBlt(canvas.Dc(), 0, 0, width, height, WHITENESS);
    SelectClipRgn(canvas.Dc(), nullptr);
    std::vector<uint32_t> mask = canvas.Pixels();
    for (uint32_t& pixel : mask)
        pixel = pixel != 0;
    return mask;
}

int NativeStretchMode(const std::string& mode)
{
    if (mode == "coloroncolor")
        return COLORONCOLOR;
    if (mode == "blackonwhite")
        return BLACKONWHITE;
    if (mode == "whiteonblack")
        return WHITEONBLACK;
    if (mode == "halftone")
        return HALFTONE;
    if (mode == "default")
        return 0;
    throw Exception("unknown stretch mode '" + mode + "'");
}

// The blit on DIB sections: the pattern source, the filled destination.
std::vector<uint32_t> NativeBlit(const BlitCase& c)
{
    Dib source(c.SW, c.SH), target(c.DW, c.DH);
    for (int32_t y = 0; y < c.SH; ++y)
        for (int32_t x = 0; x < c.SW; ++x)
            source.Bits()[size_t(y) * size_t(c.SW) + size_t(x)] = saver::oracle::PatternPixel(x, y);
    std::fill_n(target.Bits(), size_t(c.DW) * size_t(c.DH), kBlitFill);
    if (const int mode = NativeStretchMode(c.Mode)) {
        SetStretchBltMode(target.Dc(), mode);
        if (mode == HALFTONE)
            SetBrushOrgEx(target.Dc(), 0, 0, nullptr);
    }
    StretchBlt(target.Dc(), c.XD, c.YD, c.WD, c.HD, source.Dc(), c.XS, c.YS, c.WS, c.HS, SRCCOPY);
    return target.Pixels();
}

// ---------------------------------------------------------------- comparing

struct RegionCheck {
    RegionCase Case;
    bool JudgeShapes = false; // GDI shapes MakeCurved does not trust make the case unreliable
};

struct Outcome {
    std::string Difference; // empty when the two agree
    bool Unreliable = false;
    std::string Answer; // the GDI's answer as the corpus records it
};

Outcome CheckRegion(const RegionCheck& check)
{
    const RegionCase& c = check.Case;
    if (c.Width < 1 || c.Height < 1 || c.Width > 8192 || c.Height > 8192)
        throw Exception("bad canvas size");
    const NativeRegion native = EvaluateNative(c.Expression);
    RECT box;
    const int type = GetRgnBox(native.Handle.get(), &box);
    const RecordedRegion recorded{
        c, type, {box.left, box.top, box.right, box.bottom}, NativeMask(native.Handle.get(), c.Width, c.Height)};
    return {saver::oracle::CheckRecorded(recorded), check.JudgeShapes && native.UntrustedShapes > 0,
            saver::oracle::RegionAnswerLine(recorded.Type, recorded.Box, recorded.Mask)};
}

// Wine's GDI draws a one-pixel destination from two source pixels as a copy
// of one; when the other axis is a copy too, it takes its unscaled path with
// rectangles widened by a pixel for rounding, so it starts one pixel off and
// reads outside the source bitmap. Its answers there are not the GDI's rule.
bool WineCopiesFromOutside(const BlitCase& c)
{
    const bool halvesWidth = c.WD == 1 && c.WS == 2, halvesHeight = c.HD == 1 && c.HS == 2;
    return (halvesWidth && (halvesHeight || c.HD == c.HS)) || (halvesHeight && c.WD == c.WS);
}

Outcome CheckBlit(const BlitCase& c)
{
    for (const int32_t size : {c.SW, c.SH, c.DW, c.DH})
        if (size < 1 || size > 4096)
            throw Exception("bad bitmap size");
    const RecordedBlit recorded{c, NativeBlit(c)};
    return {saver::oracle::CheckRecorded(recorded), WineCopiesFromOutside(c),
            saver::oracle::BlitAnswerLine(recorded.Pixels)};
}

// ---------------------------------------------------------------- generated cases

class CaseRandom {
public:
    explicit CaseRandom(uint32_t seed) : m_engine(seed) {}
    int32_t Between(int32_t low, int32_t high) { return low + int32_t(m_engine() % uint32_t(high - low + 1)); }
    bool Percent(uint32_t chance) { return m_engine() % 100 < chance; }

private:
    std::mt19937 m_engine; // the same sequence on every platform
};

struct Canvas {
    int32_t Width, Height;
};

std::string Join(std::initializer_list<int32_t> numbers)
{
    std::string text;
    for (const int32_t n : numbers) {
        text += ' ';
        text += std::to_string(n);
    }
    return text;
}

// L T R B around the canvas: sometimes reversed, empty or tiny.
std::string Corners(CaseRandom& rnd, const Canvas& canvas)
{
    const int32_t l = rnd.Between(-canvas.Width / 4 - 2, canvas.Width);
    const int32_t t = rnd.Between(-canvas.Height / 4 - 2, canvas.Height);
    const int32_t r = l + (rnd.Percent(30) ? rnd.Between(-3, 4) : rnd.Between(-canvas.Width, canvas.Width + 4));
    const int32_t b = t + (rnd.Percent(30) ? rnd.Between(-3, 4) : rnd.Between(-canvas.Height, canvas.Height + 4));
    return Join({l, t, r, b});
}

std::string Rectangle(CaseRandom& rnd, const Canvas& canvas) { return "rect" + Corners(rnd, canvas); }
std::string Ellipse(CaseRandom& rnd, const Canvas& canvas) { return "ellipse" + Corners(rnd, canvas); }

// Corner ellipses from none to well beyond the rectangle (clamped), of
// either sign.
std::string RoundRectangle(CaseRandom& rnd, const Canvas& canvas)
{
    auto corner = [&](int32_t side) {
        return rnd.Percent(15) ? rnd.Between(0, 2) : rnd.Between(-2 * side - 4, 2 * side + 4);
    };
    const int32_t ew = corner(canvas.Width), eh = corner(canvas.Height);
    return "roundrect" + Corners(rnd, canvas) + Join({ew, eh});
}

// Random points around the canvas (self-intersecting as it comes), some
// repeated.
std::string Polygon(CaseRandom& rnd, const Canvas& canvas)
{
    const int32_t count = rnd.Between(3, 12);
    std::string text = std::string("poly ") + (rnd.Percent(50) ? "winding" : "alternate") + Join({count});
    int32_t x = 0, y = 0;
    for (int32_t k = 0; k < count; ++k) {
        if (k == 0 || !rnd.Percent(10)) {
            x = rnd.Between(-4, canvas.Width + 4);
            y = rnd.Between(-4, canvas.Height + 4);
        }
        text += Join({x, y});
    }
    return text;
}

std::string AnyPrimitive(CaseRandom& rnd, const Canvas& canvas)
{
    switch (rnd.Between(0, 3)) {
    case 0:
        return Rectangle(rnd, canvas);
    case 1:
        return Ellipse(rnd, canvas);
    case 2:
        return RoundRectangle(rnd, canvas);
    default:
        return Polygon(rnd, canvas);
    }
}

// Two to four primitives, each new one combined with what came before.
std::string Combination(CaseRandom& rnd, const Canvas& canvas)
{
    static const char* const kOperators[] = {"or", "and", "xor", "diff"};
    std::string text = AnyPrimitive(rnd, canvas);
    for (int32_t n = rnd.Between(1, 3); n > 0; --n) {
        text += ' ';
        text += AnyPrimitive(rnd, canvas);
        text += ' ';
        text += kOperators[rnd.Between(0, 3)];
    }
    return text;
}

std::string Name(const std::string& family, size_t index)
{
    char digits[8];
    std::snprintf(digits, sizeof digits, "_%04u", static_cast<unsigned>(index));
    return family + digits;
}

std::vector<RegionCase> GenerateRegions(CaseRandom& rnd, size_t perFamily)
{
    using Maker = std::string (*)(CaseRandom&, const Canvas&);
    const std::pair<const char*, Maker> families[] = {
        {"g_rect", Rectangle}, {"g_ellipse", Ellipse},   {"g_roundrect", RoundRectangle},
        {"g_poly", Polygon},   {"g_combo", Combination}, {"g_offset", Combination},
    };
    std::vector<RegionCase> cases;
    for (const auto& [family, make] : families)
        for (size_t i = 0; i < perFamily; ++i) {
            const Canvas canvas = rnd.Percent(10) ? Canvas{rnd.Between(1, 4), rnd.Between(1, 4)}
                                                  : Canvas{rnd.Between(1, 64), rnd.Between(1, 64)};
            RegionCase c{Name(family, i), canvas.Width, canvas.Height, make(rnd, canvas)};
            if (std::string(family) == "g_offset") {
                const int32_t dx = rnd.Between(-canvas.Width, canvas.Width);
                c.Expression += " offset" + Join({dx, rnd.Between(-canvas.Height, canvas.Height)});
            }
            cases.push_back(std::move(c));
        }
    return cases;
}

// One axis of a generated blit.
struct BlitAxis {
    int32_t SourceSize, TargetSize, Source, SourceExtent, Target, TargetExtent;
};

// With the given chance, the same pixels walked the other way: the
// position moves to the far edge and the extent turns negative.
void MirrorSometimes(CaseRandom& rnd, uint32_t chance, int32_t& position, int32_t& extent)
{
    if (rnd.Percent(chance)) {
        position += extent;
        extent = -extent;
    }
}

// perMode blits for each (family, mode), each axis drawn by `axis`.
std::vector<BlitCase> MakeBlits(std::initializer_list<std::pair<const char*, const char*>> families, size_t perMode,
                                const std::function<BlitAxis()>& axis)
{
    std::vector<BlitCase> blits;
    for (const auto& [family, mode] : families)
        for (size_t i = 0; i < perMode; ++i) {
            const BlitAxis x = axis(), y = axis();
            blits.push_back({Name(family, i), mode, x.SourceSize, y.SourceSize, x.TargetSize, y.TargetSize, x.Target,
                             y.Target, x.TargetExtent, y.TargetExtent, x.Source, y.Source, x.SourceExtent,
                             y.SourceExtent});
        }
    return blits;
}

// Each axis grows, shrinks or keeps its size, and mirrors now and then on
// either side; the source rectangle sometimes reaches outside its bitmap.
std::vector<BlitCase> GenerateBlits(CaseRandom& rnd, size_t perMode)
{
    using Axis = BlitAxis;
    auto axis = [&] {
        Axis a{rnd.Between(1, 40), rnd.Between(1, 48), 0, 0, 0, 0};
        a.SourceExtent = rnd.Between(1, a.SourceSize);
        a.Source = rnd.Percent(10) ? rnd.Between(-3, a.SourceSize) : rnd.Between(0, a.SourceSize - a.SourceExtent);
        switch (rnd.Between(0, 2)) {
        case 0: // grow
            a.TargetExtent = rnd.Between(a.SourceExtent + 1, 3 * a.SourceExtent + 4);
            break;
        case 1: // shrink
            a.TargetExtent = rnd.Between(1, std::max(1, a.SourceExtent - 1));
            break;
        default:
            a.TargetExtent = a.SourceExtent;
        }
        a.Target = rnd.Between(-4, a.TargetSize - 1);
        MirrorSometimes(rnd, 30, a.Target, a.TargetExtent);
        MirrorSometimes(rnd, 15, a.Source, a.SourceExtent);
        return a;
    };
    return MakeBlits({{"g_blt_coc", "coloroncolor"}, {"g_blt_bow", "blackonwhite"}}, perMode, axis);
}

// Narrow blits whose rectangles are mirrored on either side and start or
// end outside their bitmaps, on both axes, in every mode but halftone: the
// edges where clipping and mirroring meet.
std::vector<BlitCase> GenerateEdgeBlits(CaseRandom& rnd, size_t perMode)
{
    using Axis = BlitAxis;
    auto axis = [&] {
        Axis a{rnd.Between(1, 12), rnd.Between(1, 10), 0, 0, 0, 0};
        // Often a shrink; the source rectangle reaches past either edge.
        a.SourceExtent = rnd.Between(1, a.SourceSize + 6);
        a.Source = rnd.Between(-4, a.SourceSize + 2);
        a.TargetExtent = rnd.Percent(70) ? rnd.Between(1, std::max(1, a.SourceExtent - 1)) : rnd.Between(1, 8);
        a.Target = rnd.Between(-3, a.TargetSize + 1);
        MirrorSometimes(rnd, 50, a.Source, a.SourceExtent);
        MirrorSometimes(rnd, 40, a.Target, a.TargetExtent);
        return a;
    };
    return MakeBlits({{"g_edge_coc", "coloroncolor"},
                      {"g_edge_bow", "blackonwhite"},
                      {"g_edge_wob", "whiteonblack"},
                      {"g_edge_def", "default"}},
                     perMode, axis);
}

// ---------------------------------------------------------------- the run

struct Tally {
    size_t Agree = 0, Total = 0;                // counted cases
    size_t UnreliableAgree = 0, Unreliable = 0; // reported only
    size_t Halftone = 0;                        // not compared
};

class CrossCheck {
public:
    CrossCheck(std::set<std::string> unreliable, std::ostream* record)
        : m_unreliable(std::move(unreliable)), m_record(record)
    {
    }

    // `showLine` puts the case line beside a difference, for cases whose
    // name alone does not say what they are.
    void Run(const std::string& name, const std::string& caseLine, bool showLine,
             const std::function<Outcome()>& check)
    {
        Tally& tally = m_families[saver::oracle::CaseFamily(name)];
        Outcome outcome;
        try {
            outcome = check();
        } catch (const std::exception& e) {
            outcome.Difference = std::string("cannot be drawn: ") + e.what();
        }
        const bool agree = outcome.Difference.empty();
        if (!agree && showLine)
            outcome.Difference += " [" + caseLine + "]";
        if (m_unreliable.count(name) || outcome.Unreliable) {
            ++tally.Unreliable;
            tally.UnreliableAgree += agree;
            if (!agree)
                std::cout << "note " << name << " (unreliable, not counted): " << outcome.Difference << "\n";
            return;
        }
        ++tally.Total;
        tally.Agree += agree;
        if (!agree)
            std::cout << "FAIL " << name << ": " << outcome.Difference << "\n";
        if (m_record && !outcome.Answer.empty())
            *m_record << caseLine << '\n' << outcome.Answer << '\n';
    }

    void Add(const saver::oracle::CaseFile& cases, bool generated)
    {
        for (const RegionCase& c : cases.Regions)
            Run(c.Name, saver::oracle::CaseLine(c), generated, [&] { return CheckRegion({c, generated}); });
        for (const BlitCase& c : cases.Blits) {
            if (c.Mode == "halftone")
                ++m_families[saver::oracle::CaseFamily(c.Name)].Halftone;
            else
                Run(c.Name, saver::oracle::CaseLine(c), generated, [&] { return CheckBlit(c); });
        }
    }

    void AddGenerated(size_t perFamily, size_t edgesPerMode)
    {
        CaseRandom rnd(kGeneratorSeed);
        saver::oracle::CaseFile cases;
        cases.Regions = GenerateRegions(rnd, perFamily);
        cases.Blits = GenerateBlits(rnd, perFamily);
        const std::vector<BlitCase> edges = GenerateEdgeBlits(rnd, edgesPerMode);
        cases.Blits.insert(cases.Blits.end(), edges.begin(), edges.end());
        Add(cases, true);
    }

    // Prints the table; true when every counted case agrees.
    bool Report() const
    {
        Tally sum;
        std::cout << "family            agree / cases\n";
        for (const auto& [family, t] : m_families) {
            std::cout << std::left << std::setw(16) << family << std::right << " " << std::setw(6) << t.Agree << " / "
                      << std::left << std::setw(6) << t.Total << std::right;
            if (t.Unreliable)
                std::cout << "  unreliable, not counted: " << t.UnreliableAgree << " / " << t.Unreliable << " agree";
            if (t.Halftone)
                std::cout << "  halftone, not compared: " << t.Halftone;
            std::cout << "\n";
            sum.Agree += t.Agree;
            sum.Total += t.Total;
            sum.UnreliableAgree += t.UnreliableAgree;
            sum.Unreliable += t.Unreliable;
            sum.Halftone += t.Halftone;
        }
        std::cout << "gdi-crosscheck: " << sum.Agree << " of " << sum.Total << " counted cases agree with the GDI ("
                  << sum.UnreliableAgree << " of " << sum.Unreliable << " unreliable ones agree; " << sum.Halftone
                  << " halftone blits not compared)\n";
        return sum.Agree == sum.Total;
    }

private:
    std::set<std::string> m_unreliable;
    std::ostream* m_record; // where the GDI's answers go; none when not recording
    std::map<std::string, Tally> m_families;
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Exception("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::set<std::string> ReadNames(const std::string& path)
{
    std::set<std::string> names;
    std::istringstream lines(ReadFile(path));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string name;
        if (words >> name && name[0] != '#')
            names.insert(name);
    }
    return names;
}

} // namespace

int main(int argc, char** argv)
{
    std::string unreliablePath, recordPath;
    size_t generated = 60, edges = 100;
    std::vector<std::string> caseFiles;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--unreliable" || arg == "--generated" || arg == "--edges" || arg == "--record") &&
            i + 1 < argc) {
            const std::string value = argv[++i];
            if (arg == "--unreliable" || arg == "--record") {
                (arg == "--record" ? recordPath : unreliablePath) = value;
                continue;
            }
            size_t& count = arg == "--edges" ? edges : generated;
            auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), count);
            if (ec == std::errc() && end == value.data() + value.size() && count <= 100000)
                continue;
        } else if (!arg.starts_with("-")) {
            caseFiles.push_back(arg);
            continue;
        }
        std::cerr << "usage: gdi-crosscheck [--unreliable FILE] [--generated N] [--edges N] [--record CORPUS] [CASES...]\n";
        return 2;
    }
    try {
        std::ofstream record;
        if (!recordPath.empty()) {
            record.open(recordPath, std::ios::binary | std::ios::trunc);
            if (!record)
                throw Exception("cannot write " + recordPath);
            record << "# A real GDI's answers, recorded by gdi-crosscheck --record; format in OracleCases.h\n";
        }
        CrossCheck check(unreliablePath.empty() ? std::set<std::string>{} : ReadNames(unreliablePath),
                         record.is_open() ? &record : nullptr);
        for (const std::string& path : caseFiles)
            check.Add(saver::oracle::ParseCases(ReadFile(path)), false);
        check.AddGenerated(generated, edges);
        const bool agree = check.Report();
        if (record.is_open() && !record.flush())
            throw Exception("cannot write " + recordPath);
        return agree ? 0 : 1;
    } catch (const std::exception& e) {
        std::cerr << "gdi-crosscheck: " << e.what() << "\n";
        return 2;
    }
}
