#include "transitions/PSEffect.h"

#include "core/MulDiv.h"
#include "gdi/Bitmap.h"
#include "gdi/Canvas.h"
#include "transitions/effects/BlindsAndSweeps.h"
#include "transitions/effects/PixelEffects.h"
#include "transitions/effects/RectangleEffects.h"
#include "transitions/effects/RegionEffects.h"
#include "transitions/effects/SpeckleAndPush.h"

#include <algorithm>
#include <limits>
#include <tuple>
#include <utility>

namespace saver {
namespace {

constexpr std::string_view kCustomName = "Custom";

// The names as users see them, misspellings included; two are stored twice
// ("Expand from bottom" 18 and 33, "Expand in from top" 25 and 34).
constexpr std::array<std::string_view, kLastShowStyle> kNames{
    "Expand from right", // 1
    "Expand from left", // 2
    "Slide in from right", // 3
    "Slide in from left", // 4
    "Reveal from left", // 5
    "Reveal from right", // 6
    "Expand in from right", // 7
    "Expand in from left", // 8
    "Expand in to middle", // 9
    "Expand out from middle", // 10
    "Reveal out from middle", // 11
    "Reveal in from sides", // 12
    "Expand in from sides", // 13
    "Unroll from left", // 14
    "Unroll from right", // 15
    "Build up from right", // 16
    "Build up from left", // 17
    "Expand from bottom", // 18
    "Expand from top", // 19
    "Slide in from bottom", // 20
    "Slide in from top", // 21
    "Reveal from top", // 22
    "Reveal from bottom", // 23
    "Expand in from bottom", // 24
    "Expand in from top", // 25
    "Expand in to middle (horiz)", // 26
    "Expand out from middle (horiz)", // 27
    "Reveal from middle (horiz)", // 28
    "Slide in from top / bottom", // 29
    "Expand in from top / bottom", // 30
    "Unroll from top", // 31
    "Unroll from bottom", // 32
    "Expand from bottom", // 33
    "Expand in from top", // 34
    "Expand from bottom right", // 35
    "Expand from top right", // 36
    "Expand from top left", // 37
    "Expand from bottom left", // 38
    "Slide in from bottom right", // 39
    "Slide in from top right", // 40
    "Slide in from top left", // 41
    "Slide in from bottom left", // 42
    "Reveal from top left", // 43
    "Reveal from bottom left", // 44
    "Reveal from bottom right", // 45
    "Reveal from top right", // 46
    "Appear and Contract to top left", // 47
    "Appear and Contract to bottom left", // 48
    "Appear and Contract to bottom right", // 49
    "Appear and Contract to top right", // 50
    "Appear and Contract to middle", // 51
    "Expand out from centre", // 52
    "Reveal out from centre", // 53
    "Reveal in to centre", // 54
    "Quarters Reveal in to middle", // 55
    "Quarters Expand to middle", // 56
    "Quarters Slide in to middle", // 57
    "Curved Reveal from left", // 58
    "Curved Reveal from right", // 59
    "Bars in from right", // 60
    "Bars in from left", // 61
    "Bars left then right", // 62
    "Bars right then left", // 63
    "Bars from both sides", // 64
    "Uneven shred from right", // 65
    "Uneven shred from left", // 66
    "Uneven shred out from middle (horiz)", // 67
    "Uneven shred in to middle (horiz)", // 68
    "Curved Reveal from top", // 69
    "Curved Reveal from bottom", // 70
    "Bars from bottom", // 71
    "Bars from top", // 72
    "Bars top then bottom", // 73
    "Bars bottom then top", // 74
    "Bars from top and bottom", // 75
    "Unven shred from bottom", // 76
    "Uneven shred from top", // 77
    "Uneven shred from horizon", // 78
    "Uneven shred in to horizon", // 79
    "Curved reveal from top left", // 80
    "Curved reveal from top right", // 81
    "Curved reveal from bottom left", // 82
    "Curved reveal from bottom right", // 83
    "Circular reveal from centre", // 84
    "Circular reveal to centre", // 85
    "Criss Cross reveal from bottom right", // 86
    "Criss Cross reveal from top right", // 87
    "Criss Cross reveal from bottom left", // 88
    "Criss Cross reveal from top left", // 89
    "Criss Cross reveal bounce from top left", // 90
    "Criss Cross reveal bounce from bottom left", // 91
    "Criss Cross reveal bounce from top right", // 92
    "Criss Cross reveal bounce from bottom right", // 93
    "Criss Cross reveal from right top and bottom", // 94
    "Criss Cross reveal from left top and bottom", // 95
    "Criss Cross reveal from left right and bottom", // 96
    "Criss Cross reveal from left right and top", // 97
    "Criss Cross reveal from top left right and bottom", // 98
    "Criss Cross reveal from bottom left top right", // 99
    "Uneven shred from bottom and right", // 100
    "Uneven shred from top and right", // 101
    "Uneven shred from bottom and left", // 102
    "Uneven shred from top and left", // 103
    "Uneven shred from horiz and right", // 104
    "Uneven shred from horiz and left", // 105
    "Uneven shred from bottom and vert middle", // 106
    "Uneven shred from top and vert middle", // 107
    "Uneven shred from centre", // 108
    "Uneven shred to centre", // 109
    "Reveal diagonal from top left", // 110
    "Reveal diagonal from top right", // 111
    "Reveal diagonal from bottom left", // 112
    "Reveal diagonal from bottom right", // 113
    "Diagonal sweep from top left bottom right anticlockwise", // 114
    "Diagonal sweep from top left bottom right clockwise", // 115
    "Starburst clockwise from center", // 116
    "Triangular shred to top left", // 117
    "Fade", // 118
    "Pivot from top left", // 119
    "Pivot from bottom left", // 120
    "Pivot from top right", // 121
    "Pivot from bottom right", // 122
    "Speckle appear from right", // 123
    "Speckle appear from left", // 124
    "Speckle appear from bottom", // 125
    "Speckle appear from top", // 126
    "Random squares appear", // 127
    "Push right", // 128
    "Push left", // 129
    "Push and squeeze right", // 130
    "Push and squeeze left", // 131
    "Push down", // 132
    "Push up", // 133
    "Push and sqeeze down", // 134
    "Push and sqeeze up", // 135
    "Blind vertically", // 136
    "Blind horizontally", // 137
    "Uneven blind from left", // 138
    "Uneven blind from right", // 139
    "Uneven blind from top", // 140
    "Uneven blind from bottom", // 141
    "Rectangular shred", // 142
    "Sweep clockwise", // 143
    "Sweep anticlockwise", // 144
    "Rectangles apear from left and disapear to right", // 145
    "Rectangles apear from right and disapear to left", // 146
    "Rectangles apear from up and disapear to bottom", // 147
    "Rectangles apear from bottom and disapear to up", // 148
    "Rotational rectangle", // 149
    "Rotational star", // 150
};

// The procedure of a style whose effect is not built yet: the frame keeps
// the old image.
void NotImplementedEffect(Bitmap&, const Bitmap&, const Rect&, uint32_t, uint32_t) {}

// A style's row: its family's procedure, or the placeholder while the
// family is not built.
template <unsigned Style>
constexpr TShowStyleEntry MakeEntry()
{
    if constexpr (Style >= kFirstRectangleStyle && Style <= kLastRectangleStyle)
        return {kNames[Style - 1], &RectangleEffect<Style>, true};
    else if constexpr (Style >= kFirstRegionStyle && Style <= kLastRegionStyle)
        return {kNames[Style - 1], &RegionRevealEffect<RegionStyleFamily(Style), Style>, true};
    else if constexpr (Style >= kFirstBlindsStyle && Style <= kLastBlindsStyle)
        return {kNames[Style - 1], &RegionRevealEffect<&BlindsAndSweepsRegion, Style>, true};
    else if constexpr (Style >= 118 && Style <= 135) {
        if constexpr (Style <= kLastPixelStyle)
            return {kNames[Style - 1], &PixelStyleEffect<Style>, true};
        else
            return {kNames[Style - 1], &SpeckleAndPushStyleEffect<Style>, true};
    } else
        return {kNames[Style - 1], &NotImplementedEffect, false};
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

std::vector<TShowStyle> ImplementedShowStyles()
{
    std::vector<TShowStyle> styles;
    for (unsigned style = 1; style <= kLastShowStyle; ++style)
        if (ShowStyles[style - 1].Implemented)
            styles.push_back(TShowStyle(style));
    return styles;
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
