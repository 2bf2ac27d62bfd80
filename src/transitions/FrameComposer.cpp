#include "transitions/FrameComposer.h"

#include "gdi/Bitmap.h"
#include "gdi/Canvas.h"
#include "gdi/Region.h"
#include "transitions/effects/PixelEffects.h"
#include "transitions/effects/RectangleEffects.h"
#include "transitions/effects/RegionReveal.h"
#include "transitions/effects/SpeckleAndPush.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace saver {

namespace {

bool FourBytesAPixel(const Bitmap& b) { return BitsPerPixel(b.GetPixelFormat()) == 32; }

// The metrics of a frame the effects can draw: none for an empty frame or
// one beyond the largest bitmap, which the procedures leave as it is.
std::optional<ProgressMetrics> DrawableMetrics(const Rect& R, uint32_t Step, uint32_t Progress)
{
    const ProgressMetrics m = CalcProgressMetrics(R, Step, std::min<uint32_t>(Progress, 100));
    if (m.FullWidth <= 0 || m.FullHeight <= 0 || m.FullWidth > Bitmap::kMaxDimension ||
        m.FullHeight > Bitmap::kMaxDimension)
        return std::nullopt;
    return m;
}

void DrawOldImage(Bitmap& Screen, const Bitmap& OldImage) { Screen.GetCanvas().Draw(0, 0, OldImage); }

// Rectangle styles: every pixel a plain copy of a rectangle lying inside
// the picture writes comes from the picture, so the old image is needed
// only outside those copies. Mirrored copies, and copies whose source
// leaves the picture, may leave pixels of their destination alone: the old
// image goes under them.
void ComposeRectangleFrame(TShowStyle style, Bitmap& Screen, const Bitmap& OldImage, const Bitmap& Picture,
                           const ProgressMetrics& m)
{
    const std::vector<RectCopy> copies = RectangleCopies(style, m);
    const Rect frame{0, 0, Screen.Width(), Screen.Height()};
    const Rect picture{0, 0, Picture.Width(), Picture.Height()};
    Region covered;
    for (const RectCopy& c : copies) {
        const bool fillsDest = !c.FlipHorizontally && !c.FlipVertically && !c.Source.IsEmpty() &&
                               c.Source.Intersected(picture) == c.Source;
        const Rect dest = c.Dest.Intersected(frame);
        if (fillsDest && !dest.IsEmpty())
            covered.Combine(covered, Region(dest), CombineMode::Or);
    }
    ComposeRegionFrame(Screen, OldImage, nullptr, covered);
    DrawCopies(Screen, Picture, copies);
}

void CopyPixels(uint8_t* out, const uint8_t* in, int32_t from, int32_t to)
{
    if (to > from)
        std::memcpy(out + size_t(from) * 4, in + size_t(from) * 4, size_t(to - from) * 4);
}

// Rows top to bottom - 1 of the old image, in one copy: the rows lie next
// to each other in memory, last row first, in bitmaps of the same size and
// format.
void CopyRows(Bitmap& Screen, const Bitmap& OldImage, int32_t top, int32_t bottom)
{
    if (bottom > top)
        std::memcpy(Screen.ScanLine(bottom - 1), OldImage.ScanLine(bottom - 1),
                    Screen.Stride() * size_t(bottom - top - 1) + size_t(Screen.Width()) * 4);
}

// Pieces narrower than this on average make a band go pixel by pixel.
constexpr int64_t kNarrowPieceWidth = 48;

// out = in where the mask is all ones, old where it is zero.
void SelectPixels(uint8_t* outRow, const uint8_t* oldRow, const uint8_t* inRow, const uint32_t* __restrict mask,
                  int32_t width)
{
    // Rows are 4-byte aligned, so the pixels can be read as words.
    auto* __restrict out = reinterpret_cast<uint32_t*>(outRow);
    const auto* __restrict old = reinterpret_cast<const uint32_t*>(oldRow);
    const auto* __restrict in = reinterpret_cast<const uint32_t*>(inRow);
    for (int32_t x = 0; x < width; ++x)
        out[x] = (in[x] & mask[x]) | (old[x] & ~mask[x]);
}

} // namespace

bool CanComposeInOnePass(Bitmap& Screen, const Bitmap& OldImage, const Bitmap& Picture)
{
    const Canvas& canvas = Screen.GetCanvas();
    return FourBytesAPixel(Screen) && FourBytesAPixel(OldImage) && FourBytesAPixel(Picture) &&
           OldImage.Width() == Screen.Width() && OldImage.Height() == Screen.Height() &&
           Picture.Width() == Screen.Width() && Picture.Height() == Screen.Height() && &OldImage != &Screen &&
           &Picture != &Screen && !canvas.ClipRegion() && !canvas.DeviceClip() && canvas.Origin() == Point{};
}

void ComposeRegionFrame(Bitmap& Screen, const Bitmap& OldImage, const Bitmap* Picture, const Region& region)
{
    const int32_t width = Screen.Width(), height = Screen.Height();
    const std::span<const Rect> rects = region.Rects();
    std::vector<uint32_t> select;
    // Rows are stored bottom-up, so the bands are walked from the last row
    // to the first: memory is then read and written in rising order, which
    // the processor's prefetchers follow far better than row after row
    // going down.
    size_t end = rects.size();
    int32_t y = height; // rows y to height - 1 are done
    while (y > 0) {
        // Skip bands that start at row y or below it; the rows between the
        // next band up and row y take the old image.
        while (end > 0 && rects[end - 1].Top >= y)
            --end;
        const int32_t bandBottom = end > 0 ? std::clamp(rects[end - 1].Bottom, 0, y) : 0;
        CopyRows(Screen, OldImage, bandBottom, y);
        y = bandBottom;
        if (y == 0)
            break;
        size_t band = end - 1;
        while (band > 0 && rects[band - 1].Top == rects[end - 1].Top)
            --band;
        const int32_t bandTop = std::max(rects[band].Top, 0);
        // A band of many narrow pieces (bars, shreds, speckles) costs a
        // call per piece and row; a per-pixel select over the whole row
        // streams instead.
        if (Picture && int64_t(end - band) * kNarrowPieceWidth > width) {
            select.assign(size_t(width), 0);
            for (size_t i = band; i < end; ++i) {
                const int32_t left = std::clamp(rects[i].Left, 0, width);
                const int32_t right = std::clamp(rects[i].Right, left, width);
                std::fill(select.begin() + left, select.begin() + right, ~uint32_t{0});
            }
            while (y > bandTop) {
                --y;
                SelectPixels(Screen.ScanLine(y), OldImage.ScanLine(y), Picture->ScanLine(y), select.data(), width);
            }
        }
        while (y > bandTop) {
            --y;
            uint8_t* out = Screen.ScanLine(y);
            const uint8_t* old = OldImage.ScanLine(y);
            const uint8_t* in = Picture ? Picture->ScanLine(y) : nullptr;
            int32_t x = 0;
            for (size_t i = band; i < end; ++i) {
                const int32_t left = std::clamp(rects[i].Left, x, width);
                const int32_t right = std::clamp(rects[i].Right, left, width);
                CopyPixels(out, old, x, left);
                if (in)
                    CopyPixels(out, in, left, right);
                x = right;
            }
            CopyPixels(out, old, x, width);
        }
        end = band;
    }
}

void ComposeShowFrame(TShowStyle style, Bitmap& Screen, const Bitmap& OldImage, const Bitmap& Picture, const Rect& R,
                      uint32_t Step, uint32_t Progress)
{
    const TShowStyleEntry* row = FindShowStyle(style);
    const bool onePass = row && CanComposeInOnePass(Screen, OldImage, Picture) &&
                         R == Rect{0, 0, Screen.Width(), Screen.Height()};
    if (onePass) {
        switch (row->Composition) {
        case FrameComposition::RectangleCopies:
            if (const std::optional<ProgressMetrics> m = DrawableMetrics(R, Step, Progress))
                ComposeRectangleFrame(style, Screen, OldImage, Picture, *m);
            else
                DrawOldImage(Screen, OldImage);
            return;
        case FrameComposition::PixelBands:
            if (ComposePixelFrame(style, Screen, OldImage, Picture, R, Progress))
                return;
            break;
        case FrameComposition::RegionReveal:
            if (const std::optional<Region> region = StyleFrameRegion(row->RegionOf, style, R, Step, Progress))
                ComposeRegionFrame(Screen, OldImage, &Picture, *region);
            else
                DrawOldImage(Screen, OldImage);
            return;
        case FrameComposition::PushedImage:
            if (ComposePushFrame(style, Screen, OldImage, Picture, R, Step, Progress))
                return;
            break;
        case FrameComposition::Procedure:
            break;
        }
    }
    DrawOldImage(Screen, OldImage);
    if (row)
        row->Proc(Screen, Picture, R, Step, Progress);
}

} // namespace saver
