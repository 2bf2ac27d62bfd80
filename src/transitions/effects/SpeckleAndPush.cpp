// Speckle, random squares and the pushes. The speckle and squares regions
// are many small rectangles united in one sweep. A push first moves or
// squeezes the old image inside the frame, reading it as if it had been
// copied away first but without copying the frame: rows, and the pixels
// of a row that shrinks, are visited in an order that never overwrites one
// still to be read.

#include "transitions/effects/SpeckleAndPush.h"

#include "core/Random.h"
#include "gdi/Bitmap.h"
#include "gdi/Canvas.h"
#include "gdi/PixelGather.h"
#include "gdi/Prefetch.h"
#include "gdi/StretchBlt.h"
#include "transitions/effects/RegionEffects.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace saver {
namespace {

using namespace lengths;

bool IsFrameSize(int64_t w, int64_t h)
{
    return w >= 0 && h >= 0 && w <= Bitmap::kMaxDimension && h <= Bitmap::kMaxDimension;
}

// One part of CreateSpeckleRegion, written for the rows: X the extent, W the
// length the part grows along, H the length its rows are laid over. The
// column part passes its axes swapped and `columns` set.
void AddSpeckles(std::vector<Rect>& rects, bool columns, int64_t X, int64_t W, int64_t H, SpeckleKind kind)
{
    if (kind == SpeckleKind::None)
        return;
    const bool fromEnd = kind == SpeckleKind::FromEnd;
    const auto add = [&](int64_t a0, int64_t b0, int64_t a1, int64_t b1) {
        rects.push_back(columns ? Region::RectFromCoordinates(b0, a0, b1, a1)
                                : Region::RectFromCoordinates(a0, b0, a1, b1));
    };
    const int64_t E = X < W ? W / 10 : 0; // depth of the speckled band
    const int64_t F = std::max<int64_t>(E / 20, 2);
    const int64_t n = E / F, t = (3 * E / F) / 4;
    for (int64_t y = 0; y < H; y += F / 2) {
        // The front, and the step from one cell ahead of it to the next
        // (leftward from the end).
        const int64_t front = fromEnd ? W - X : X;
        const int64_t ahead = fromEnd ? -F : F;
        add(fromEnd ? W : 0, y, front, y + F);
        for (int64_t k = n; k >= 1; --k) {
            const int32_t flag = k <= t ? 1 : 0;
            if (Random(int32_t(k)) <= flag) {
                const int64_t near = front + (k - 1) * ahead;
                add(near, y, near + ahead, y + F);
            }
        }
    }
}

// Every speckle style passes the extents PW and PH.
constexpr SpeckleKind kNone = SpeckleKind::None, kEnd = SpeckleKind::FromEnd, kStart = SpeckleKind::FromStart;
constexpr DirectionKindsRow<SpeckleKind> kSpeckleRows[] = {
    {123, kEnd, kNone},   // Speckle appear from right
    {124, kStart, kNone}, // Speckle appear from left
    {125, kNone, kEnd},   // Speckle appear from bottom
    {126, kNone, kStart}, // Speckle appear from top
};

constexpr TShowStyle kRandomSquaresStyle = 127;

Region SpeckleRegion(TShowStyle style, const ProgressMetrics& m)
{
    const DirectionKindsRow<SpeckleKind>* row = FindStyleRow(kSpeckleRows, style);
    if (!row)
        return {};
    return CreateSpeckleRegion(m.ProgressWidth, m.ProgressHeight, m.FullWidth, m.FullHeight, row->HorzKind,
                               row->VertKind);
}


// A rectangle in the frame's lengths.
struct FrameRect {
    FrameLength Left, Top, Right, Bottom;
    [[nodiscard]] Rect At(const ProgressMetrics& m) const
    {
        return {int32_t(Left(m)), int32_t(Top(m)), int32_t(Right(m)), int32_t(Bottom(m))};
    }
};

// Copy 1 moves (or squeezes) the old image within the frame, copy 2 brings
// in a strip of the new picture: source rectangle, then destination.
struct PushRow {
    TShowStyle Style;
    FrameRect MoveFrom, MoveTo;
    FrameRect StripFrom, StripTo;
};

constexpr PushRow kPushRows[] = {
    {128, {0, 0, W - PW, H}, {PW, 0, W, H}, {W - PW, 0, W, H}, {0, 0, PW, H}}, // Push right
    {129, {PW, 0, W, H}, {0, 0, W - PW, H}, {0, 0, PW, H}, {W - PW, 0, W, H}}, // Push left
    {130, {0, 0, W, H}, {PW, 0, W, H}, {W - PW, 0, W, H}, {0, 0, PW, H}},      // Push and squeeze right
    {131, {0, 0, W, H}, {0, 0, W - PW, H}, {0, 0, PW, H}, {W - PW, 0, W, H}},  // Push and squeeze left
    {132, {0, 0, W, H - PH}, {0, PH, W, H}, {0, H - PH, W, H}, {0, 0, W, PH}}, // Push down
    {133, {0, PH, W, H}, {0, 0, W, H - PH}, {0, 0, W, PH}, {0, H - PH, W, H}}, // Push up
    {134, {0, 0, W, H}, {0, PH, W, H}, {0, H - PH, W, H}, {0, 0, W, PH}},      // Push and sqeeze down
    {135, {0, 0, W, H}, {0, 0, W, H - PH}, {0, 0, W, PH}, {0, H - PH, W, H}},  // Push and sqeeze up
};

// For each destination pixel of one axis, the source pixel a COLORONCOLOR
// StretchBlt of `from` onto `to` gives it (-1 for none), along a frame side
// `extent` long. Equal lengths are a plain shift; otherwise a line of
// numbered pixels goes through the raster layer's own StretchBlt, so a
// squeeze picks exactly the pixels a stretched copy does.
std::vector<int32_t> AxisSources(int32_t toLow, int32_t toHigh, int32_t fromLow, int32_t fromHigh, int32_t extent,
                                 bool rows)
{
    std::vector<int32_t> sources(size_t(toHigh - toLow), -1);
    if (toHigh - toLow == fromHigh - fromLow) {
        for (size_t i = 0; i < sources.size(); ++i)
            sources[i] = fromLow + int32_t(i);
        return sources;
    }
    const int32_t w = rows ? 1 : extent, h = rows ? extent : 1;
    Bitmap numbers(w, h, PixelFormat::pf32bit), landed(w, h, PixelFormat::pf32bit);
    for (int32_t i = 0; i < extent; ++i) {
        const uint32_t number = uint32_t(i), none = ~0u;
        std::memcpy(rows ? numbers.ScanLine(i) : numbers.ScanLine(0) + size_t(i) * 4, &number, 4);
        std::memcpy(rows ? landed.ScanLine(i) : landed.ScanLine(0) + size_t(i) * 4, &none, 4);
    }
    if (rows)
        StretchBlt(landed, Rect{0, 0, w, h}, 0, toLow, 1, toHigh - toLow, numbers, 0, fromLow, 1, fromHigh - fromLow,
                   StretchMode::COLORONCOLOR);
    else
        StretchBlt(landed, Rect{0, 0, w, h}, toLow, 0, toHigh - toLow, 1, numbers, fromLow, 0, fromHigh - fromLow, 1,
                   StretchMode::COLORONCOLOR);
    for (size_t i = 0; i < sources.size(); ++i) {
        const int32_t at = toLow + int32_t(i);
        uint32_t number;
        std::memcpy(&number, rows ? landed.ScanLine(at) : landed.ScanLine(0) + size_t(at) * 4, 4);
        sources[i] = number == ~0u ? -1 : int32_t(number);
    }
    return sources;
}

// How the pixels of a destination row are taken from a row of the same
// bitmap, which may be the same row.
enum class Gather : uint8_t {
    Shift,    // consecutive source pixels: one memmove
    Backward, // every source at or left of its destination: right to left
    Forward,  // every source at or right of its destination: left to right
    Aside,    // anything else: from a copy of the source row
};

// In place, a pixel is read before its destination is written, and a
// destination written never holds a source still to be read.
Gather GatherOrder(const std::vector<int32_t>& columns, int32_t toLeft)
{
    bool consecutive = true, backward = true, forward = true;
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i] < 0)
            return Gather::Aside;
        consecutive = consecutive && columns[i] == columns[0] + int32_t(i);
        backward = backward && columns[i] <= toLeft + int32_t(i);
        forward = forward && columns[i] >= toLeft + int32_t(i);
    }
    return consecutive ? Gather::Shift : backward ? Gather::Backward : forward ? Gather::Forward : Gather::Aside;
}

template <int Bytes>
void GatherRow(uint8_t* out, const uint8_t* in, const std::vector<int32_t>& columns, Gather order,
               std::vector<uint8_t>& scratch)
{
    const auto copy = [&](size_t i, const uint8_t* from) {
        uint8_t pixel[Bytes];
        std::memcpy(pixel, from + size_t(columns[i]) * Bytes, Bytes);
        std::memcpy(out + i * Bytes, pixel, Bytes);
    };
    switch (order) {
    case Gather::Shift:
        std::memmove(out, in + size_t(columns.front()) * Bytes, columns.size() * Bytes);
        break;
    case Gather::Backward:
        for (size_t i = columns.size(); i-- > 0;)
            copy(i, in);
        break;
    case Gather::Forward:
        for (size_t i = 0; i < columns.size(); ++i)
            copy(i, in);
        break;
    case Gather::Aside:
        scratch.assign(in, in + scratch.size());
        for (size_t i = 0; i < columns.size(); ++i)
            if (columns[i] >= 0)
                copy(i, scratch.data());
        break;
    }
}

// Copies `from` onto `to` within `frame`, squeezing by COLORONCOLOR (each
// destination pixel takes one source pixel; a squeeze drops the others),
// as if the source were read completely before anything is written. Both
// rectangles lie inside the frame.
void MoveWithinFrame(Bitmap& frame, const Rect& to, const Rect& from)
{
    if (to.IsEmpty() || from.IsEmpty() || to == from)
        return;
    const std::vector<int32_t> rows = AxisSources(to.Top, to.Bottom, from.Top, from.Bottom, frame.Height(), true);
    const std::vector<int32_t> columns =
        AxisSources(to.Left, to.Right, from.Left, from.Right, frame.Width(), false);
    // Rows moving down are written bottom first, rows moving up top first,
    // so no row is overwritten before it is read.
    bool down = true, up = true;
    for (size_t i = 0; i < rows.size(); ++i) {
        down = down && rows[i] <= to.Top + int32_t(i);
        up = up && (rows[i] < 0 || rows[i] >= to.Top + int32_t(i));
    }
    if (!down && !up) {
        // Rows crossing both ways: the raster layer copies the frame first.
        StretchBlt(frame, to, to.Left, to.Top, to.Width(), to.Height(), frame, from.Left, from.Top, from.Width(),
                   from.Height(), StretchMode::COLORONCOLOR);
        return;
    }
    const int bytes = BitsPerPixel(frame.GetPixelFormat()) / 8;
    const Gather order = GatherOrder(columns, to.Left);
    std::vector<uint8_t> scratch(size_t(frame.Width()) * size_t(bytes));
    const auto moveRow = [&](size_t i) {
        if (rows[i] < 0)
            return;
        uint8_t* out = frame.ScanLine(to.Top + int32_t(i)) + size_t(to.Left) * size_t(bytes);
        const uint8_t* in = frame.ScanLine(rows[i]);
        switch (bytes) {
        case 1:
            GatherRow<1>(out, in, columns, order, scratch);
            break;
        case 3:
            GatherRow<3>(out, in, columns, order, scratch);
            break;
        default:
            GatherRow<4>(out, in, columns, order, scratch);
            break;
        }
    };
    if (down)
        for (size_t i = rows.size(); i-- > 0;)
            moveRow(i);
    else
        for (size_t i = 0; i < rows.size(); ++i)
            moveRow(i);
}

void PushEffect(const PushRow& row, Bitmap& Screen, const Bitmap& Picture, const ProgressMetrics& m)
{
    const Rect frame{0, 0, m.FullWidth, m.FullHeight};
    const Rect moveFrom = row.MoveFrom.At(m), moveTo = row.MoveTo.At(m);
    if (Screen.Width() == m.FullWidth && Screen.Height() == m.FullHeight && moveFrom.Intersected(frame) == moveFrom &&
        moveTo.Intersected(frame) == moveTo)
        MoveWithinFrame(Screen, moveTo, moveFrom);
    const Rect stripFrom = row.StripFrom.At(m), stripTo = row.StripTo.At(m);
    Screen.GetCanvas().StretchBlt(stripTo.Left, stripTo.Top, stripTo.Width(), stripTo.Height(), Picture,
                                  stripFrom.Left, stripFrom.Top, stripFrom.Width(), stripFrom.Height());
}

// Where the moved part of a push frame's rows takes its pixels: columns
// [Left, Left + Columns.size()) of the frame take the old columns listed
// (-1: none lands there, the pixel stays), or consecutive ones from
// Columns[0] when Shift is set. Every one lands when Complete is set.
struct MovedColumns {
    int32_t Left = 0;
    std::vector<int32_t> Columns;
    bool Shift = false;
    bool Complete = false;
    PixelPicks Picks; // the columns, prepared for gathering where Complete
};

// One row of a push frame composed from the old image kept apart: the
// pixels in [skipLeft, skipRight) are left for the strip, the others come
// from the old image, moved (`from` the old row the moved part takes, null
// where this row takes none) or in place (`here`).
void ComposePushRow(uint32_t* out, const uint32_t* here, const uint32_t* from, const MovedColumns& moved,
                    int32_t width, int32_t skipLeft, int32_t skipRight)
{
    const int32_t low = from ? moved.Left : 0, high = from ? moved.Left + int32_t(moved.Columns.size()) : 0;
    const auto copy = [&](const uint32_t* in, int32_t x0, int32_t x1) {
        if (x1 > x0)
            std::memcpy(out + x0, in + x0, size_t(x1 - x0) * 4);
    };
    // [x0, x1) outside the strip: in place outside the moved part, moved
    // inside it.
    const auto put = [&](int32_t x0, int32_t x1) {
        copy(here, x0, std::min(x1, low));
        const int32_t m0 = std::max(x0, low), m1 = std::min(x1, high);
        if (m1 > m0 && moved.Shift) {
            std::memcpy(out + m0, from + moved.Columns.front() + (m0 - low), size_t(m1 - m0) * 4);
        } else if (m0 == low && m1 == high && moved.Complete) {
            GatherPixels(out + m0, from, moved.Picks);
        } else {
            for (int32_t x = m0; x < m1; ++x) {
                const int32_t c = moved.Columns[size_t(x - low)];
                out[x] = c >= 0 ? from[c] : here[x];
            }
        }
        copy(here, std::max(x0, high), x1);
    };
    put(0, std::min(skipLeft, width));
    put(std::max(skipRight, 0), width);
}

// The push frame in one pass over the frame: each pixel is written once,
// from the old image (moved, squeezed, or where nothing lands on it left in
// place) or, in the strip, by the strip's copy of the picture. Reading the
// old image from its own bitmap needs none of the ordering of an in-place
// move.
void ComposePush(const PushRow& row, Bitmap& Screen, const Bitmap& OldImage, const Bitmap& Picture,
                 const ProgressMetrics& m)
{
    const int32_t width = m.FullWidth, height = m.FullHeight;
    const Rect frame{0, 0, width, height};
    const Rect moveFrom = row.MoveFrom.At(m), moveTo = row.MoveTo.At(m);
    const bool moves = moveFrom.Intersected(frame) == moveFrom && moveTo.Intersected(frame) == moveTo &&
                       !moveTo.IsEmpty() && !moveFrom.IsEmpty() && moveTo != moveFrom;
    std::vector<int32_t> rows;
    MovedColumns columns;
    columns.Left = moveTo.Left;
    if (moves) {
        rows = AxisSources(moveTo.Top, moveTo.Bottom, moveFrom.Top, moveFrom.Bottom, height, true);
        columns.Columns = AxisSources(moveTo.Left, moveTo.Right, moveFrom.Left, moveFrom.Right, width, false);
        columns.Shift = GatherOrder(columns.Columns, moveTo.Left) == Gather::Shift;
        columns.Complete = std::all_of(columns.Columns.begin(), columns.Columns.end(), [](int32_t c) { return c >= 0; });
        if (columns.Complete && !columns.Shift)
            columns.Picks = PixelPicks(columns.Columns, size_t(width));
    }
    const Rect stripFrom = row.StripFrom.At(m), stripTo = row.StripTo.At(m);
    // The strip's copy writes all of its destination when it is an unscaled
    // copy from inside the picture; otherwise the old image goes under it.
    const Rect strip = stripFrom.Width() == stripTo.Width() && stripFrom.Height() == stripTo.Height() &&
                               stripFrom.Intersected(frame) == stripFrom
                           ? stripTo.Intersected(frame)
                           : Rect{};
    const auto movedRow = [&](int32_t y) -> const uint32_t* {
        const bool moved = moves && y >= moveTo.Top && y < moveTo.Bottom && rows[size_t(y - moveTo.Top)] >= 0;
        return moved ? reinterpret_cast<const uint32_t*>(OldImage.ScanLine(rows[size_t(y - moveTo.Top)])) : nullptr;
    };
    // The last row first: rows are stored bottom-up, and the prefetchers
    // follow memory written in rising order best.
    for (int32_t y = height - 1; y >= 0; --y) {
        const uint32_t* from = movedRow(y);
        // The next row's squeeze is fetched while this one is gathered
        // pixel by pixel.
        if (!columns.Shift && y > 0)
            if (const uint32_t* next = movedRow(y - 1)) {
                PrefetchForReading(next + moveFrom.Left, size_t(moveFrom.Width()) * 4);
                PrefetchForWriting(Screen.ScanLine(y - 1) + size_t(moveTo.Left) * 4, size_t(moveTo.Width()) * 4);
            }
        const bool inStrip = y >= strip.Top && y < strip.Bottom;
        ComposePushRow(reinterpret_cast<uint32_t*>(Screen.ScanLine(y)),
                       reinterpret_cast<const uint32_t*>(OldImage.ScanLine(y)),
                       from, columns, width, inStrip ? strip.Left : width, inStrip ? strip.Right : width);
    }
    Screen.GetCanvas().StretchBlt(stripTo.Left, stripTo.Top, stripTo.Width(), stripTo.Height(), Picture,
                                  stripFrom.Left, stripFrom.Top, stripFrom.Width(), stripFrom.Height());
}

} // namespace

Region CreateSpeckleRegion(int32_t ExtentX, int32_t ExtentY, int32_t W, int32_t H, SpeckleKind HorzKind,
                           SpeckleKind VertKind)
{
    std::vector<Rect> rects;
    if (IsFrameSize(W, H)) {
        AddSpeckles(rects, false, ExtentX, W, H, HorzKind);
        AddSpeckles(rects, true, ExtentY, H, W, VertKind);
    }
    return Region::FromRects(std::move(rects));
}

Region RandomSquaresRegion(const ProgressMetrics& m, uint32_t Progress)
{
    SetRandSeed(uint32_t(m.FullWidth) * uint32_t(m.FullHeight));
    std::vector<Rect> rects;
    if (!IsFrameSize(m.FullWidth, m.FullHeight))
        return Region();
    const int64_t SL = m.StepLength;
    const int64_t S = std::max<int64_t>(SL > 1 ? SL / 2 : SL, 1);
    for (int64_t x = 0; x < m.FullWidth; x += S)
        for (int64_t y = 0; y < m.FullHeight; y += S)
            if (uint32_t(Random(100)) < Progress)
                rects.push_back(Region::RectFromCoordinates(x - S, y - S, x + S, y + S));
    return Region::FromRects(std::move(rects));
}

Region SpeckleOrSquaresRegion(TShowStyle style, const ProgressMetrics& m, uint32_t Progress)
{
    return style == kRandomSquaresStyle ? RandomSquaresRegion(m, Progress) : SpeckleRegion(style, m);
}

void DrawPushStyle(TShowStyle style, Bitmap& Screen, const Bitmap& Picture, const Rect& R, uint32_t Step,
                   uint32_t Progress)
{
    const ProgressMetrics m = CalcProgressMetrics(R, Step, std::min<uint32_t>(Progress, 100));
    const PushRow* row = FindStyleRow(kPushRows, style);
    if (row && m.FullWidth > 0 && m.FullHeight > 0 && IsFrameSize(m.FullWidth, m.FullHeight))
        PushEffect(*row, Screen, Picture, m);
}

bool ComposePushFrame(TShowStyle style, Bitmap& Screen, const Bitmap& OldImage, const Bitmap& Picture, const Rect& R,
                      uint32_t Step, uint32_t Progress)
{
    const ProgressMetrics m = CalcProgressMetrics(R, Step, std::min<uint32_t>(Progress, 100));
    const PushRow* row = FindStyleRow(kPushRows, style);
    if (!row || m.FullWidth <= 0 || m.FullHeight <= 0 || !IsFrameSize(m.FullWidth, m.FullHeight) ||
        m.FullWidth != Screen.Width() || m.FullHeight != Screen.Height())
        return false;
    ComposePush(*row, Screen, OldImage, Picture, m);
    return true;
}

} // namespace saver
