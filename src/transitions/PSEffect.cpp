#include "transitions/PSEffect.h"

#include "core/MulDiv.h"
#include "gdi/Bitmap.h"
#include "gdi/Canvas.h"
#include "transitions/effects/BlindsAndSweeps.h"
#include "transitions/effects/PixelEffects.h"
#include "transitions/effects/RectangleEffects.h"
#include "transitions/effects/RegionEffects.h"
#include "transitions/effects/RegionReveal.h"
#include "transitions/effects/SpeckleAndPush.h"

#include <algorithm>
#include <limits>
#include <tuple>
#include <utility>

namespace saver {
namespace {

constexpr std::string_view kCustomName = "Custom";

// What a family brings to each of its styles.
struct FamilyRow {
    StyleFamily Family;
    std::string_view Name;
    FrameComposition Composition;
    // The family's procedure, taking the style; region families draw
    // through RegionOf instead.
    void (*Draw)(TShowStyle style, Bitmap& Screen, const Bitmap& Picture, const Rect& R, uint32_t Step,
                 uint32_t Progress);
    ProgressRegionFn RegionOf;
    bool Needs32Bit;
    bool UsesRandom;
};

using enum FrameComposition;

// In the order of StyleFamily.
constexpr FamilyRow kFamilies[] = {
    {StyleFamily::Rectangles, "rectangles", RectangleCopies, &DrawRectangleStyle, nullptr, false, false},
    {StyleFamily::Curved, "curved", RegionReveal, nullptr, &IgnoringProgress<&CurvedRegion>, false, false},
    {StyleFamily::Bars, "bars", RegionReveal, nullptr, &IgnoringProgress<&BarsRegion>, false, false},
    {StyleFamily::Shreds, "shreds", RegionReveal, nullptr, &IgnoringProgress<&ShredRegion>, false, true},
    {StyleFamily::CrissCross, "criss-cross", RegionReveal, nullptr, &IgnoringProgress<&CrissCrossRegion>, false,
     false},
    {StyleFamily::Diagonal, "diagonal", RegionReveal, nullptr, &IgnoringProgress<&DiagonalRegion>, false, false},
    {StyleFamily::Fade, "fade", PixelBands, &PixelEffect, nullptr, true, false},
    {StyleFamily::Pivot, "pivot", PixelBands, &PixelEffect, nullptr, true, false},
    {StyleFamily::Speckle, "speckle", RegionReveal, nullptr, &SpeckleOrSquaresRegion, false, true},
    // Seeds the generator with the frame size, then draws from it.
    {StyleFamily::RandomSquares, "random squares", RegionReveal, nullptr, &SpeckleOrSquaresRegion, false, true},
    {StyleFamily::Push, "push", PushedImage, &DrawPushStyle, nullptr, false, false},
    {StyleFamily::Blinds, "blinds", RegionReveal, nullptr, &BlindsAndSweepsRegion, false, false},
    {StyleFamily::RectangularShred, "rectangular shred", RegionReveal, nullptr, &BlindsAndSweepsRegion, false,
     false},
    {StyleFamily::Sweep, "sweep", RegionReveal, nullptr, &BlindsAndSweepsRegion, false, false},
    {StyleFamily::BandsAndBlinds, "bands and blinds", RegionReveal, nullptr, &BlindsAndSweepsRegion, false, false},
    {StyleFamily::Rotation, "rotation", RegionReveal, nullptr, &BlindsAndSweepsRegion, false, false},
};

constexpr bool FamiliesInOrder()
{
    for (size_t i = 0; i < std::size(kFamilies); ++i)
        if (size_t(kFamilies[i].Family) != i)
            return false;
    return true;
}
static_assert(FamiliesInOrder(), "one row per family, in enumeration order");

constexpr const FamilyRow& FamilyOf(StyleFamily family) { return kFamilies[size_t(family)]; }

struct StyleRow {
    std::string_view Name;
    StyleFamily Family;
};

using enum StyleFamily;

// Row k - 1 is style k. The names as users see them, misspellings included;
// two are stored twice ("Expand from bottom" 18 and 33, "Expand in from
// top" 25 and 34).
constexpr StyleRow kStyles[] = {
    {"Expand from right", Rectangles}, // 1
    {"Expand from left", Rectangles}, // 2
    {"Slide in from right", Rectangles}, // 3
    {"Slide in from left", Rectangles}, // 4
    {"Reveal from left", Rectangles}, // 5
    {"Reveal from right", Rectangles}, // 6
    {"Expand in from right", Rectangles}, // 7
    {"Expand in from left", Rectangles}, // 8
    {"Expand in to middle", Rectangles}, // 9
    {"Expand out from middle", Rectangles}, // 10
    {"Reveal out from middle", Rectangles}, // 11
    {"Reveal in from sides", Rectangles}, // 12
    {"Expand in from sides", Rectangles}, // 13
    {"Unroll from left", Rectangles}, // 14
    {"Unroll from right", Rectangles}, // 15
    {"Build up from right", Rectangles}, // 16
    {"Build up from left", Rectangles}, // 17
    {"Expand from bottom", Rectangles}, // 18
    {"Expand from top", Rectangles}, // 19
    {"Slide in from bottom", Rectangles}, // 20
    {"Slide in from top", Rectangles}, // 21
    {"Reveal from top", Rectangles}, // 22
    {"Reveal from bottom", Rectangles}, // 23
    {"Expand in from bottom", Rectangles}, // 24
    {"Expand in from top", Rectangles}, // 25
    {"Expand in to middle (horiz)", Rectangles}, // 26
    {"Expand out from middle (horiz)", Rectangles}, // 27
    {"Reveal from middle (horiz)", Rectangles}, // 28
    {"Slide in from top / bottom", Rectangles}, // 29
    {"Expand in from top / bottom", Rectangles}, // 30
    {"Unroll from top", Rectangles}, // 31
    {"Unroll from bottom", Rectangles}, // 32
    {"Expand from bottom", Rectangles}, // 33
    {"Expand in from top", Rectangles}, // 34
    {"Expand from bottom right", Rectangles}, // 35
    {"Expand from top right", Rectangles}, // 36
    {"Expand from top left", Rectangles}, // 37
    {"Expand from bottom left", Rectangles}, // 38
    {"Slide in from bottom right", Rectangles}, // 39
    {"Slide in from top right", Rectangles}, // 40
    {"Slide in from top left", Rectangles}, // 41
    {"Slide in from bottom left", Rectangles}, // 42
    {"Reveal from top left", Rectangles}, // 43
    {"Reveal from bottom left", Rectangles}, // 44
    {"Reveal from bottom right", Rectangles}, // 45
    {"Reveal from top right", Rectangles}, // 46
    {"Appear and Contract to top left", Rectangles}, // 47
    {"Appear and Contract to bottom left", Rectangles}, // 48
    {"Appear and Contract to bottom right", Rectangles}, // 49
    {"Appear and Contract to top right", Rectangles}, // 50
    {"Appear and Contract to middle", Rectangles}, // 51
    {"Expand out from centre", Rectangles}, // 52
    {"Reveal out from centre", Rectangles}, // 53
    {"Reveal in to centre", Rectangles}, // 54
    {"Quarters Reveal in to middle", Rectangles}, // 55
    {"Quarters Expand to middle", Rectangles}, // 56
    {"Quarters Slide in to middle", Rectangles}, // 57
    {"Curved Reveal from left", Curved}, // 58
    {"Curved Reveal from right", Curved}, // 59
    {"Bars in from right", Bars}, // 60
    {"Bars in from left", Bars}, // 61
    {"Bars left then right", Bars}, // 62
    {"Bars right then left", Bars}, // 63
    {"Bars from both sides", Bars}, // 64
    {"Uneven shred from right", Shreds}, // 65
    {"Uneven shred from left", Shreds}, // 66
    {"Uneven shred out from middle (horiz)", Shreds}, // 67
    {"Uneven shred in to middle (horiz)", Shreds}, // 68
    {"Curved Reveal from top", Curved}, // 69
    {"Curved Reveal from bottom", Curved}, // 70
    {"Bars from bottom", Bars}, // 71
    {"Bars from top", Bars}, // 72
    {"Bars top then bottom", Bars}, // 73
    {"Bars bottom then top", Bars}, // 74
    {"Bars from top and bottom", Bars}, // 75
    {"Unven shred from bottom", Shreds}, // 76
    {"Uneven shred from top", Shreds}, // 77
    {"Uneven shred from horizon", Shreds}, // 78
    {"Uneven shred in to horizon", Shreds}, // 79
    {"Curved reveal from top left", Curved}, // 80
    {"Curved reveal from top right", Curved}, // 81
    {"Curved reveal from bottom left", Curved}, // 82
    {"Curved reveal from bottom right", Curved}, // 83
    {"Circular reveal from centre", Curved}, // 84
    {"Circular reveal to centre", Curved}, // 85
    {"Criss Cross reveal from bottom right", CrissCross}, // 86
    {"Criss Cross reveal from top right", CrissCross}, // 87
    {"Criss Cross reveal from bottom left", CrissCross}, // 88
    {"Criss Cross reveal from top left", CrissCross}, // 89
    {"Criss Cross reveal bounce from top left", CrissCross}, // 90
    {"Criss Cross reveal bounce from bottom left", CrissCross}, // 91
    {"Criss Cross reveal bounce from top right", CrissCross}, // 92
    {"Criss Cross reveal bounce from bottom right", CrissCross}, // 93
    {"Criss Cross reveal from right top and bottom", CrissCross}, // 94
    {"Criss Cross reveal from left top and bottom", CrissCross}, // 95
    {"Criss Cross reveal from left right and bottom", CrissCross}, // 96
    {"Criss Cross reveal from left right and top", CrissCross}, // 97
    {"Criss Cross reveal from top left right and bottom", CrissCross}, // 98
    {"Criss Cross reveal from bottom left top right", CrissCross}, // 99
    {"Uneven shred from bottom and right", Shreds}, // 100
    {"Uneven shred from top and right", Shreds}, // 101
    {"Uneven shred from bottom and left", Shreds}, // 102
    {"Uneven shred from top and left", Shreds}, // 103
    {"Uneven shred from horiz and right", Shreds}, // 104
    {"Uneven shred from horiz and left", Shreds}, // 105
    {"Uneven shred from bottom and vert middle", Shreds}, // 106
    {"Uneven shred from top and vert middle", Shreds}, // 107
    {"Uneven shred from centre", Shreds}, // 108
    {"Uneven shred to centre", Shreds}, // 109
    {"Reveal diagonal from top left", Diagonal}, // 110
    {"Reveal diagonal from top right", Diagonal}, // 111
    {"Reveal diagonal from bottom left", Diagonal}, // 112
    {"Reveal diagonal from bottom right", Diagonal}, // 113
    {"Diagonal sweep from top left bottom right anticlockwise", Diagonal}, // 114
    {"Diagonal sweep from top left bottom right clockwise", Diagonal}, // 115
    {"Starburst clockwise from center", Diagonal}, // 116
    {"Triangular shred to top left", Diagonal}, // 117
    {"Fade", Fade}, // 118
    {"Pivot from top left", Pivot}, // 119
    {"Pivot from bottom left", Pivot}, // 120
    {"Pivot from top right", Pivot}, // 121
    {"Pivot from bottom right", Pivot}, // 122
    {"Speckle appear from right", Speckle}, // 123
    {"Speckle appear from left", Speckle}, // 124
    {"Speckle appear from bottom", Speckle}, // 125
    {"Speckle appear from top", Speckle}, // 126
    {"Random squares appear", RandomSquares}, // 127
    {"Push right", Push}, // 128
    {"Push left", Push}, // 129
    {"Push and squeeze right", Push}, // 130
    {"Push and squeeze left", Push}, // 131
    {"Push down", Push}, // 132
    {"Push up", Push}, // 133
    {"Push and sqeeze down", Push}, // 134
    {"Push and sqeeze up", Push}, // 135
    {"Blind vertically", Blinds}, // 136
    {"Blind horizontally", Blinds}, // 137
    {"Uneven blind from left", Blinds}, // 138
    {"Uneven blind from right", Blinds}, // 139
    {"Uneven blind from top", Blinds}, // 140
    {"Uneven blind from bottom", Blinds}, // 141
    {"Rectangular shred", RectangularShred}, // 142
    {"Sweep clockwise", Sweep}, // 143
    {"Sweep anticlockwise", Sweep}, // 144
    {"Rectangles apear from left and disapear to right", BandsAndBlinds}, // 145
    {"Rectangles apear from right and disapear to left", BandsAndBlinds}, // 146
    {"Rectangles apear from up and disapear to bottom", BandsAndBlinds}, // 147
    {"Rectangles apear from bottom and disapear to up", BandsAndBlinds}, // 148
    {"Rotational rectangle", Rotation}, // 149
    {"Rotational star", Rotation}, // 150
};
static_assert(std::size(kStyles) == kLastShowStyle);

// A style's procedure: its family's, with the style fixed.
template <auto Draw, TShowStyle Style>
void StyleEffect(Bitmap& Screen, const Bitmap& Picture, const Rect& R, uint32_t Step, uint32_t Progress)
{
    Draw(Style, Screen, Picture, R, Step, Progress);
}

template <TShowStyle Style>
constexpr TShowStyleEntry MakeEntry()
{
    constexpr StyleRow style = kStyles[Style - 1];
    constexpr FamilyRow family = FamilyOf(style.Family);
    TShowEffectProc proc;
    if constexpr (family.Composition == RegionReveal)
        proc = &StyleEffect<&RevealFamilyRegion<family.RegionOf>, Style>;
    else
        proc = &StyleEffect<family.Draw, Style>;
    return {style.Name, proc, family.Family, family.Composition, family.RegionOf, family.Needs32Bit,
            family.UsesRandom};
}

template <size_t... Index>
constexpr std::array<TShowStyleEntry, kLastShowStyle> MakeShowStyles(std::index_sequence<Index...>)
{
    return {MakeEntry<Index + 1>()...};
}

constexpr char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

constexpr bool SameTextAscii(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
}

} // namespace

constinit const std::array<TShowStyleEntry, kLastShowStyle> ShowStyles =
    MakeShowStyles(std::make_index_sequence<kLastShowStyle>());

const TShowStyleEntry* FindShowStyle(unsigned style)
{
    if (style < 1 || style > kLastShowStyle)
        return nullptr;
    return &ShowStyles[style - 1];
}

bool StyleNeeds32Bit(unsigned style)
{
    const TShowStyleEntry* row = FindShowStyle(style);
    return row && row->Needs32Bit;
}

std::string_view ShowStyleName(unsigned style)
{
    if (style == 0)
        return kCustomName;
    const TShowStyleEntry* entry = FindShowStyle(style);
    return entry ? entry->Name : std::string_view{};
}

std::optional<TShowStyle> FindShowStyleByName(std::string_view name)
{
    if (SameTextAscii(name, kCustomName))
        return TShowStyle{0};
    for (unsigned style = 1; style <= kLastShowStyle; ++style)
        if (SameTextAscii(name, ShowStyles[style - 1].Name))
            return TShowStyle(style);
    return std::nullopt;
}

std::string_view StyleFamilyName(StyleFamily family)
{
    return size_t(family) < std::size(kFamilies) ? FamilyOf(family).Name : std::string_view{};
}

ProgressMetrics CalcProgressMetrics(const Rect& R, uint32_t Step, uint32_t Progress)
{
    // Differences taken in 64 bits and narrowed, so an absurd rectangle
    // wraps instead of overflowing.
    ProgressMetrics m;
    m.FullWidth = int32_t(int64_t(R.Right) - R.Left);
    m.FullHeight = int32_t(int64_t(R.Bottom) - R.Top);
    const auto step = int32_t(Step), progress = int32_t(Progress);
    if (m.FullWidth >= m.FullHeight) {
        m.ProgressWidth = MulDiv(m.FullWidth, progress, 100);
        m.ProgressHeight = MulDiv(m.ProgressWidth, m.FullHeight, m.FullWidth);
        m.StepLength = MulDiv(m.FullWidth, step, 90);
    } else {
        m.ProgressHeight = MulDiv(m.FullHeight, progress, 100);
        m.ProgressWidth = MulDiv(m.ProgressHeight, m.FullWidth, m.FullHeight);
        m.StepLength = MulDiv(m.FullHeight, step, 90);
    }
    return m;
}

void MirrorStretchCopy(Canvas& dest, const Rect& destRect, const Bitmap& source, const Rect& sourceRect,
                       bool flipHorizontally, bool flipVertically)
{
    const Rect from = sourceRect.Intersected({0, 0, source.Width(), source.Height()});
    // Edges and extents in 64 bits: a flip moves an edge one pixel beyond
    // the rectangle, and the extent of a huge rectangle may not fit.
    int64_t left = destRect.Left, top = destRect.Top, right = destRect.Right, bottom = destRect.Bottom;
    if (flipHorizontally)
        std::tie(left, right) = std::pair(right + 1, left - 1);
    if (flipVertically)
        std::tie(top, bottom) = std::pair(bottom + 1, top - 1);
    const int64_t width = right - left, height = bottom - top;
    constexpr int64_t low = std::numeric_limits<int32_t>::min(), high = std::numeric_limits<int32_t>::max();
    for (const int64_t v : {left, top, width, height})
        if (v < low || v > high)
            return; // beyond the 32-bit coordinate space: drawn as nothing
    dest.StretchBlt(int32_t(left), int32_t(top), int32_t(width), int32_t(height), source, from.Left, from.Top,
                    from.Width(), from.Height());
}

} // namespace saver
