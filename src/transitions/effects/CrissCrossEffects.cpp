// Criss-cross reveals: bars and columns growing at once. Doubled extents
// fill the even bars in the first half and the odd ones in the second;
// single extents use kind 3 to fill the odd ones in the same phase.

#include "transitions/effects/RegionEffects.h"

namespace saver {
namespace {

using namespace lengths;
using enum BarsKind;

constexpr BarsRow kRows[] = {
    {86, 2 * PW, 2 * PH, SL, FromEnd, FromEnd},           // Criss Cross reveal from bottom right
    {87, 2 * PW, 2 * PH, SL, FromEnd, FromStart},         // Criss Cross reveal from top right
    {88, 2 * PW, 2 * PH, SL, FromStart, FromEnd},         // Criss Cross reveal from bottom left
    {89, 2 * PW, 2 * PH, SL, FromStart, FromStart},       // Criss Cross reveal from top left
    {90, 2 * PW, 2 * PH, SL, StartThenEnd, StartThenEnd}, // Criss Cross reveal bounce from top left
    {91, 2 * PW, 2 * PH, SL, StartThenEnd, EndThenStart}, // Criss Cross reveal bounce from bottom left
    {92, 2 * PW, 2 * PH, SL, EndThenStart, StartThenEnd}, // Criss Cross reveal bounce from top right
    {93, 2 * PW, 2 * PH, SL, EndThenStart, EndThenStart}, // Criss Cross reveal bounce from bottom right
    {94, PW, PH, SL, FromEnd, FromBoth},                  // Criss Cross reveal from right top and bottom
    {95, PW, PH, SL, FromStart, FromBoth},                // Criss Cross reveal from left top and bottom
    {96, PW, PH, SL, FromBoth, FromEnd},                  // Criss Cross reveal from left right and bottom
    {97, PW, PH, SL, FromBoth, FromStart},                // Criss Cross reveal from left right and top
    {98, PW, PH, NoSnap, FromBoth, FromBoth},             // Criss Cross reveal from top left right and bottom
};

// Criss Cross reveal from bottom left top right: where both the pattern from
// the bottom right and the one from the top left have arrived.
constexpr TShowStyle kBothCornersStyle = 99;
constexpr BarsRow kFromBottomRight{kBothCornersStyle, 2 * PW, 2 * PH, SL, FromEnd, FromEnd};
constexpr BarsRow kFromTopLeft{kBothCornersStyle, 2 * PW, 2 * PH, SL, FromStart, FromStart};

} // namespace

Region CrissCrossRegion(TShowStyle style, const ProgressMetrics& m)
{
    if (style == kBothCornersStyle) {
        Region region = BarsRowRegion(kFromBottomRight, m);
        region.Combine(region, BarsRowRegion(kFromTopLeft, m), CombineMode::And);
        return region;
    }
    const BarsRow* row = FindStyleRow(kRows, style);
    return row ? BarsRowRegion(*row, m) : Region();
}

} // namespace saver
