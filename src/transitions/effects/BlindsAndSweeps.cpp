// Blinds, the rectangular shred, sweeps, rectangles and the turning
// rectangle and star. Strips and bands are written once and laid along x or
// y as their row says; the pieces of a frame are united in one sweep.

#include "transitions/effects/BlindsAndSweeps.h"

#include "core/Error.h"
#include "gdi/Bitmap.h"
#include "transitions/effects/RegionEffects.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace saver {
namespace {

using namespace lengths;

constexpr long double kPi = std::numbers::pi_v<long double>;

// The axis strips repeat along: X for strips standing upright (columns),
// Y for strips lying across the frame (rows).
enum class Axis : uint8_t { X, Y };

// A blind's pitch: the side along the axis div StepLength, fixed for the
// whole transition, or PW (PH) itself, growing with Progress.
enum class Pitch : uint8_t { PerStep, Progress };

// The end of the axis the first strip lies at and every strip fills from.
enum class From : uint8_t { Start, End };

struct BlindsRow {
    TShowStyle Style;
    Axis Along;
    Pitch PitchOf;
    From Side;
};

constexpr BlindsRow kBlinds[] = {
    {136, Axis::X, Pitch::PerStep, From::Start},  // Blind vertically
    {137, Axis::Y, Pitch::PerStep, From::Start},  // Blind horizontally
    {138, Axis::X, Pitch::Progress, From::Start}, // Uneven blind from left
    {139, Axis::X, Pitch::Progress, From::End},   // Uneven blind from right
    {140, Axis::Y, Pitch::Progress, From::Start}, // Uneven blind from top
    {141, Axis::Y, Pitch::Progress, From::End},   // Uneven blind from bottom
};

constexpr TShowStyle kRectangularShredStyle = 142;

// Sweeps: a sector from straight up, turning by pi/50 a percent.
struct SweepRow {
    TShowStyle Style;
    int32_t Turn; // 1 clockwise, -1 anticlockwise
};

constexpr SweepRow kSweeps[] = {
    {143, 1},  // Sweep clockwise
    {144, -1}, // Sweep anticlockwise
};

// Rectangles: bands on a fixed pitch opening about their centre lines,
// united with the blinds of another style.
struct RectanglesRow {
    TShowStyle Style;
    Axis BandsAlong;
    TShowStyle Blinds;
};

constexpr RectanglesRow kRectangles[] = {
    {145, Axis::Y, 138}, // Rectangles apear from left and disapear to right
    {146, Axis::Y, 139}, // Rectangles apear from right and disapear to left
    {147, Axis::X, 140}, // Rectangles apear from up and disapear to bottom
    {148, Axis::X, 141}, // Rectangles apear from bottom and disapear to up
};

// Turning shapes: corners as offsets from the centre (W div 2, H div 2),
// turned clockwise by pi/50 a percent. -PW / 2 truncates toward zero, so it
// is -(PW div 2).
struct Offset {
    FrameLength X, Y;
};

constexpr size_t kMaxCorners = 8;

struct ShapeRow {
    TShowStyle Style;
    size_t Count;
    std::array<Offset, kMaxCorners> Corners;
};

constexpr ShapeRow kShapes[] = {
    // Rotational rectangle: half-sizes PW div 2 and PH div 2.
    {149, 4, {{{-PW / 2, -PH / 2}, {PW / 2, -PH / 2}, {PW / 2, PH / 2}, {-PW / 2, PH / 2}}}},
    // Rotational star: tips 2 PW sideways and 2 PH up and down, inner
    // corners on the rectangle above.
    {150,
     8,
     {{{-2 * PW, 0},
      {-PW / 2, -PH / 2},
      {0, -2 * PH},
      {PW / 2, -PH / 2},
      {2 * PW, 0},
      {PW / 2, PH / 2},
      {0, 2 * PH},
      {-PW / 2, PH / 2}}}},
};

int64_t SideAlong(Axis axis, const ProgressMetrics& m) { return axis == Axis::X ? m.FullWidth : m.FullHeight; }

int64_t ProgressAlong(Axis axis, const ProgressMetrics& m)
{
    return axis == Axis::X ? m.ProgressWidth : m.ProgressHeight;
}

// The strip [from, to) along `axis`, across the whole frame.
void AddStrip(std::vector<Rect>& rects, Axis axis, int64_t from, int64_t to, const ProgressMetrics& m)
{
    rects.push_back(axis == Axis::X ? Region::RectFromCoordinates(from, 0, to, m.FullHeight)
                                    : Region::RectFromCoordinates(0, from, m.FullWidth, to));
}

// The fixed pitch of blinds and bands: the side div StepLength. Below one
// pixel (StepLength longer than the side, or 0 on a tiny frame) the strips
// could not move on, so the whole side becomes one pitch: the blind turns
// into a wipe from the start of the axis, the bands into one band opening
// from the middle. Either way the frame still follows Progress.
int64_t PerStepPitch(int64_t side, int32_t stepLength)
{
    const int64_t pitch = stepLength > 0 ? side / stepLength : 0;
    return pitch > 0 ? pitch : side;
}

// Strips of the fill (pitch x Progress) div 100 repeated on the pitch from
// one end of the axis until they leave the frame at the other. The strips
// from the end stop once their far edge passes 0, so the last one may lie
// partly or wholly before the frame.
void AddBlinds(std::vector<Rect>& rects, const BlindsRow& row, const ProgressMetrics& m, uint32_t progress)
{
    const int64_t side = SideAlong(row.Along, m);
    const int64_t pitch =
        row.PitchOf == Pitch::PerStep ? PerStepPitch(side, m.StepLength) : ProgressAlong(row.Along, m);
    const int64_t fill = pitch * progress / 100;
    // A growing pitch of 0 (PW or PH 0 early on a small or elongated frame)
    // has a fill of 0: nothing shows yet, and the loops never run on a pitch
    // that cannot move.
    if (fill <= 0)
        return;
    if (row.Side == From::Start)
        for (int64_t start = 0; start < side; start += pitch)
            AddStrip(rects, row.Along, start, start + fill, m);
    else
        for (int64_t end = side; end >= 0; end -= pitch)
            AddStrip(rects, row.Along, end - fill, end, m);
}

// Bands 2d wide about the centres pitch div 2 + k pitch, d = (pitch x
// Progress) div 200, while a band's near edge lies inside the frame.
void AddBands(std::vector<Rect>& rects, Axis axis, const ProgressMetrics& m, uint32_t progress)
{
    const int64_t side = SideAlong(axis, m), pitch = PerStepPitch(side, m.StepLength);
    const int64_t half = pitch * progress / 200;
    if (half <= 0)
        return;
    for (int64_t centre = pitch / 2; centre - half < side; centre += pitch)
        AddStrip(rects, axis, centre - half, centre + half, m);
}

// The union of [k cell - half, k cell + half) for k = 0 to n, in order, the
// overlapping and touching ones merged; none when half is 0.
std::vector<Region::Span> GridSpans(int32_t n, int32_t cell, int32_t half)
{
    std::vector<Region::Span> spans;
    if (half <= 0)
        return spans;
    for (int64_t k = 0; k <= n; ++k) {
        const auto from = int32_t(k * cell - half), to = int32_t(k * cell + half);
        if (!spans.empty() && from <= spans.back().Right)
            spans.back().Right = to;
        else
            spans.push_back({from, to});
    }
    return spans;
}

// Rectangular shred: rectangles 2 PW' x 2 PH' about the (N + 1) x (N + 1)
// grid points (c W', r H'), PW' = PW div SL, PH' = PH div SL, N about SL / 2.
// All have one size, so their union is the product of the union of their
// column spans and that of their row spans, built band by band rather than
// from (N + 1)^2 pieces.
Region RectangularShredRegion(const ProgressMetrics& m)
{
    // StepLength 0 (a frame whose longer side times Step is below 45) would
    // divide by zero and leave a grid of 0 cells; it is drawn as StepLength
    // 1: a single cell, rectangles growing from the four corners.
    const int32_t stepLength = std::max(m.StepLength, 1);
    const int32_t n = stepLength > 1 ? stepLength / 2 : stepLength;
    const std::vector<Region::Span> columns = GridSpans(n, m.FullWidth / n, m.ProgressWidth / stepLength);
    const std::vector<Region::Span> rows = GridSpans(n, m.FullHeight / n, m.ProgressHeight / stepLength);
    Region::Builder builder;
    if (!columns.empty())
        for (const Region::Span& row : rows)
            builder.AddBand(row.Left, row.Right, columns);
    return builder.Finish();
}

// Sweeps: about the centre, with the half-diagonal rounded up as radius, a
// sector from straight up over (Progress - 1) steps of pi/50 (3.6 degrees).
Region SweepRegion(const SweepRow& row, const ProgressMetrics& m, uint32_t progress)
{
    const int32_t cx = m.FullWidth / 2, cy = m.FullHeight / 2;
    const int64_t squared = int64_t{cx} * cx + int64_t{cy} * cy;
    const auto radius = int32_t(std::ceil(std::sqrt(static_cast<long double>(squared))));
    const long double endAngle = row.Turn * static_cast<long double>(progress) * kPi / 50 - kPi / 2;
    return CreateSweepRegion(cx, cy, radius, -kPi / 2, endAngle, int32_t(progress));
}

Region ShapeRegion(const ShapeRow& row, const ProgressMetrics& m, uint32_t progress)
{
    const int32_t cx = m.FullWidth / 2, cy = m.FullHeight / 2;
    std::array<Point, kMaxCorners> points{};
    for (size_t i = 0; i < row.Count; ++i)
        points[i] = {cx + int32_t(row.Corners[i].X(m)), cy + int32_t(row.Corners[i].Y(m))};
    const std::span<Point> corners = std::span(points).first(row.Count);
    RotatePoints(corners, int32_t(row.Count) - 1, cx, cy, static_cast<long double>(progress) * kPi / 50);
    return Region::CreatePolygonRgn(corners, PolyFillMode::Winding);
}

// centre + v, v rounded to the nearest integer with ties to even (the
// default rounding mode), limited to the 32-bit range; NaN counts as 0.
int32_t RoundedFrom(int32_t centre, long double v)
{
    const long double rounded = std::nearbyint(v);
    const long double sum = std::isnan(rounded) ? centre : centre + rounded;
    return int32_t(std::clamp<long double>(sum, std::numeric_limits<int32_t>::min(),
                                           std::numeric_limits<int32_t>::max()));
}

bool IsFrame(const ProgressMetrics& m)
{
    return m.FullWidth >= 1 && m.FullHeight >= 1 && m.FullWidth <= Bitmap::kMaxDimension &&
           m.FullHeight <= Bitmap::kMaxDimension;
}

} // namespace

Region CreateSweepRegion(int32_t CenterX, int32_t CenterY, int32_t Radius, long double StartAngle,
                         long double EndAngle, int32_t Count)
{
    if (Count < 1)
        return Region();
    if (size_t(Count) >= Region::kMaxPolygonPoints)
        throw Exception("CreateSweepRegion: too many points");
    std::vector<Point> points;
    points.reserve(size_t(Count) + 1);
    points.push_back({CenterX, CenterY});
    const long double delta = (EndAngle - StartAngle) / Count;
    long double angle = StartAngle;
    for (int32_t k = 1; k <= Count; ++k) {
        points.push_back(
            {RoundedFrom(CenterX, Radius * std::cos(angle)), RoundedFrom(CenterY, Radius * std::sin(angle))});
        angle += delta;
    }
    return Region::CreatePolygonRgn(points, PolyFillMode::Winding);
}

void RotatePoints(std::span<Point> Points, int32_t LastIndex, int32_t CenterX, int32_t CenterY, long double Angle)
{
    const long double sinA = std::sin(Angle), cosA = std::cos(Angle);
    const size_t count = LastIndex < 0 ? 0 : std::min(Points.size(), size_t(LastIndex) + 1);
    for (Point& p : Points.first(count)) {
        const auto dx = static_cast<long double>(int64_t{p.X} - CenterX);
        const auto dy = static_cast<long double>(int64_t{p.Y} - CenterY);
        p = {RoundedFrom(CenterX, dx * cosA - dy * sinA), RoundedFrom(CenterY, dx * sinA + dy * cosA)};
    }
}

Region BlindsAndSweepsRegion(TShowStyle style, const ProgressMetrics& m, uint32_t Progress)
{
    if (!IsFrame(m))
        return Region();
    const uint32_t progress = std::min<uint32_t>(Progress, 100);
    if (const BlindsRow* row = FindStyleRow(kBlinds, style)) {
        std::vector<Rect> rects;
        AddBlinds(rects, *row, m, progress);
        return Region::FromRects(std::move(rects));
    }
    if (style == kRectangularShredStyle)
        return RectangularShredRegion(m);
    if (const SweepRow* row = FindStyleRow(kSweeps, style))
        return SweepRegion(*row, m, progress);
    if (const RectanglesRow* row = FindStyleRow(kRectangles, style)) {
        std::vector<Rect> rects;
        AddBands(rects, row->BandsAlong, m, progress);
        AddBlinds(rects, *FindStyleRow(kBlinds, row->Blinds), m, progress);
        return Region::FromRects(std::move(rects));
    }
    if (const ShapeRow* row = FindStyleRow(kShapes, style))
        return ShapeRegion(*row, m, progress);
    return Region();
}

} // namespace saver
