#include "transitions/effects/RegionReveal.h"

#include "core/Error.h"
#include "gdi/Bitmap.h"
#include "gdi/Canvas.h"

#include <algorithm>

namespace saver {

void RevealRegion(Bitmap& Screen, const Bitmap& Picture, const Region& region)
{
    if (region.IsEmpty())
        return;
    Canvas& canvas = Screen.GetCanvas();
    // The clip region goes again even if drawing fails.
    const CanvasStateSaver restore(canvas);
    canvas.SelectClipRgn(&region);
    canvas.Draw(0, 0, Picture);
}

namespace {

// The region for a frame, given as regionOf(metrics, progress).
template <class RegionOf>
std::optional<Region> FrameRegion(const RegionOf& regionOf, const Rect& R, uint32_t Step, uint32_t Progress)
{
    const uint32_t progress = std::min<uint32_t>(Progress, 100);
    const ProgressMetrics m = CalcProgressMetrics(R, Step, progress);
    if (m.FullWidth <= 0 || m.FullHeight <= 0 || m.FullWidth > Bitmap::kMaxDimension ||
        m.FullHeight > Bitmap::kMaxDimension)
        return std::nullopt;
    try {
        return regionOf(m, progress);
    } catch (const Exception&) {
        // Beyond the region type's limits (millions of rectangles on a huge
        // frame): like a failing region call, it leaves the frame as it is.
        return std::nullopt;
    }
}

} // namespace

std::optional<Region> StyleFrameRegion(StyleRegionFn regionOf, TShowStyle style, const Rect& R, uint32_t Step,
                                       uint32_t Progress)
{
    return FrameRegion([&](const ProgressMetrics& m, uint32_t) { return regionOf(style, m); }, R, Step, Progress);
}

std::optional<Region> StyleFrameRegion(ProgressRegionFn regionOf, TShowStyle style, const Rect& R, uint32_t Step,
                                       uint32_t Progress)
{
    return FrameRegion([&](const ProgressMetrics& m, uint32_t progress) { return regionOf(style, m, progress); }, R,
                       Step, Progress);
}

void RevealStyleRegion(StyleRegionFn regionOf, TShowStyle style, Bitmap& Screen, const Bitmap& Picture,
                       const Rect& R, uint32_t Step, uint32_t Progress)
{
    if (const std::optional<Region> region = StyleFrameRegion(regionOf, style, R, Step, Progress))
        RevealRegion(Screen, Picture, *region);
}

void RevealStyleRegion(ProgressRegionFn regionOf, TShowStyle style, Bitmap& Screen, const Bitmap& Picture,
                       const Rect& R, uint32_t Step, uint32_t Progress)
{
    if (const std::optional<Region> region = StyleFrameRegion(regionOf, style, R, Step, Progress))
        RevealRegion(Screen, Picture, *region);
}

void RectUnion::Add(int64_t left, int64_t top, int64_t right, int64_t bottom)
{
    const auto limit = [](int64_t v) {
        return int32_t(std::clamp<int64_t>(v, -Region::kCoordinateLimit, Region::kCoordinateLimit));
    };
    const Rect r{limit(std::min(left, right)), limit(std::min(top, bottom)), limit(std::max(left, right)),
                 limit(std::max(top, bottom))};
    if (!r.IsEmpty())
        m_rects.push_back(r);
}

Region RectUnion::Finish()
{
    Region::Builder builder;
    std::vector<Rect> rects = std::move(m_rects);
    m_rects = {};
    if (rects.empty())
        return builder.Finish();

    // Every band lies between two consecutive edges; the rectangles covering
    // it are kept sorted by Left as the sweep goes down, so each band's spans
    // come out in order.
    std::vector<int32_t> edges;
    edges.reserve(2 * rects.size());
    for (const Rect& r : rects) {
        edges.push_back(r.Top);
        edges.push_back(r.Bottom);
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    const auto byLeft = [](const Rect& a, const Rect& b) { return a.Left < b.Left; };
    std::sort(rects.begin(), rects.end(), [](const Rect& a, const Rect& b) {
        return a.Top != b.Top ? a.Top < b.Top : a.Left < b.Left;
    });

    std::vector<Rect> active;
    std::vector<Region::Span> spans;
    size_t next = 0;
    for (size_t e = 0; e + 1 < edges.size(); ++e) {
        const int32_t top = edges[e], bottom = edges[e + 1];
        std::erase_if(active, [top](const Rect& r) { return r.Bottom <= top; });
        if (next < rects.size() && rects[next].Top == top) {
            const size_t middle = active.size();
            for (; next < rects.size() && rects[next].Top == top; ++next)
                active.push_back(rects[next]);
            std::inplace_merge(active.begin(), active.begin() + std::ptrdiff_t(middle), active.end(), byLeft);
        }
        spans.clear();
        for (const Rect& r : active)
            spans.push_back({r.Left, r.Right});
        builder.AddBand(top, bottom, spans);
    }
    return builder.Finish();
}

} // namespace saver
