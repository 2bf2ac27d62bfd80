// Region storage, the band-walking combine engine and the queries. The shape
// constructors are in RegionScan.cpp.

#include "gdi/Region.h"

#include "core/Error.h"

#include <algorithm>
#include <cassert>
#include <limits>

namespace saver {

namespace {

using Span = Region::Span;

// Beyond any coordinate a region holds.
constexpr int32_t kPastEnd = std::numeric_limits<int32_t>::max();

int32_t ClampCoordinate(int64_t v)
{
    return static_cast<int32_t>(std::clamp<int64_t>(v, -Region::kCoordinateLimit, Region::kCoordinateLimit));
}

// Index one past the last rectangle of the band starting at `begin`.
size_t BandEnd(std::span<const Rect> rects, size_t begin)
{
    size_t end = begin + 1;
    while (end < rects.size() && rects[end].Top == rects[begin].Top)
        ++end;
    return end;
}

// Overlap functions: the spans of a band where both sources have one, from
// the two sources' rectangles in that band (sorted, non-touching; only Left
// and Right are read). The builder merges any touching results.

void IntersectSpans(std::span<const Rect> a, std::span<const Rect> b, std::vector<Span>& out)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const int32_t left = std::max(a[i].Left, b[j].Left);
        const int32_t right = std::min(a[i].Right, b[j].Right);
        if (left < right)
            out.push_back({left, right});
        if (a[i].Right < b[j].Right)
            ++i;
        else
            ++j;
    }
}

void UniteSpans(std::span<const Rect> a, std::span<const Rect> b, std::vector<Span>& out)
{
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        const Rect& next = j == b.size() || (i < a.size() && a[i].Left <= b[j].Left) ? a[i++] : b[j++];
        out.push_back({next.Left, next.Right});
    }
}

void SubtractSpans(std::span<const Rect> a, std::span<const Rect> b, std::vector<Span>& out)
{
    size_t j = 0;
    for (const Rect& s : a) {
        int32_t left = s.Left;
        while (j < b.size() && b[j].Right <= left)
            ++j;
        for (size_t k = j; k < b.size() && b[k].Left < s.Right; ++k) {
            if (b[k].Left > left)
                out.push_back({left, b[k].Left});
            left = std::max(left, b[k].Right);
        }
        if (left < s.Right)
            out.push_back({left, s.Right});
    }
}

void XorSpans(std::span<const Rect> a, std::span<const Rect> b, std::vector<Span>& out)
{
    // Walk the edges of both lists in order; a pixel is in the result where
    // exactly one list covers it.
    size_t i = 0, j = 0;
    bool inA = false, inB = false;
    int32_t start = 0;
    while (i < 2 * a.size() || j < 2 * b.size()) {
        const int32_t xa = i < 2 * a.size() ? (i % 2 ? a[i / 2].Right : a[i / 2].Left) : kPastEnd;
        const int32_t xb = j < 2 * b.size() ? (j % 2 ? b[j / 2].Right : b[j / 2].Left) : kPastEnd;
        const int32_t x = std::min(xa, xb);
        const bool before = inA != inB;
        if (xa == x) {
            inA = !inA;
            ++i;
        }
        if (xb == x) {
            inB = !inB;
            ++j;
        }
        const bool after = inA != inB;
        if (!before && after)
            start = x;
        else if (before && !after)
            out.push_back({start, x});
    }
}

using OverlapFn = void (*)(std::span<const Rect>, std::span<const Rect>, std::vector<Span>&);

// One source's current band during the walk.
class BandCursor {
public:
    explicit BandCursor(std::span<const Rect> rects) : m_rects(rects) { Load(); }

    [[nodiscard]] bool Done() const { return m_begin >= m_rects.size(); }
    // Where the band's unprocessed part starts, given that rows above y are done.
    [[nodiscard]] int32_t Top(int32_t y) const { return Done() ? kPastEnd : std::max(m_rects[m_begin].Top, y); }
    [[nodiscard]] int32_t Bottom() const { return Done() ? kPastEnd : m_rects[m_begin].Bottom; }
    // The band's rectangles.
    [[nodiscard]] std::span<const Rect> Rects() const { return m_rects.subspan(m_begin, m_end - m_begin); }
    void NextIfDone(int32_t y)
    {
        if (!Done() && Bottom() <= y) {
            m_begin = m_end;
            Load();
        }
    }

private:
    void Load() { m_end = Done() ? m_begin : BandEnd(m_rects, m_begin); }

    std::span<const Rect> m_rects;
    size_t m_begin = 0, m_end = 0;
};

// Walks the bands of a and b top to bottom, cutting at every band edge of
// either. Rows covered by both go through `overlap`; rows covered by one
// source only are copied when its keep flag is set. The builder merges
// equal neighbouring bands.
Region CombineBands(const Region& a, const Region& b, OverlapFn overlap, bool keepA, bool keepB)
{
    BandCursor ca(a.Rects()), cb(b.Rects());
    Region::Builder builder;
    std::vector<Span> result;
    for (int32_t y = std::numeric_limits<int32_t>::min(); !ca.Done() || !cb.Done();) {
        if ((ca.Done() && !keepB) || (cb.Done() && !keepA))
            break; // nothing more can come out
        const int32_t topA = ca.Top(y), topB = cb.Top(y);
        int32_t bottom;
        if (topA == topB) {
            bottom = std::min(ca.Bottom(), cb.Bottom());
            result.clear();
            overlap(ca.Rects(), cb.Rects(), result);
            builder.AddBand(topA, bottom, result);
        } else if (topA < topB) {
            bottom = std::min(ca.Bottom(), topB);
            if (keepA)
                builder.AddBand(topA, bottom, ca.Rects());
        } else {
            bottom = std::min(cb.Bottom(), topA);
            if (keepB)
                builder.AddBand(topB, bottom, cb.Rects());
        }
        y = bottom;
        ca.NextIfDone(y);
        cb.NextIfDone(y);
    }
    return builder.Finish();
}

// For the operations that keep a's rows where b has none (OR, XOR, DIFF)
// with a small b: only a's bands that meet b's rows go through the band
// walk, and the result replaces them in place; the bands above and below
// stay where they are. This keeps the effects' way of building regions, one
// small rectangle at a time into a large region, at the cost of a memmove
// rather than a walk over every band. One untouched band on each side joins
// the walk, so the builder merges equal neighbours across both seams.
void CombineAround(std::vector<Rect>& rects, const Region& b, OverlapFn overlap, bool keepB)
{
    const int32_t top = b.Box().Top, bottom = b.Box().Bottom;
    // Bands are ordered and do not overlap, so both edges are monotonic.
    auto first = std::partition_point(rects.begin(), rects.end(), [&](const Rect& r) { return r.Bottom <= top; });
    auto last = std::partition_point(first, rects.end(), [&](const Rect& r) { return r.Top < bottom; });
    if (first != rects.begin()) {
        const int32_t aboveTop = std::prev(first)->Top;
        first = std::partition_point(rects.begin(), first, [&](const Rect& r) { return r.Top < aboveTop; });
    }
    if (last != rects.end()) {
        const int32_t belowTop = last->Top;
        last = std::partition_point(last, rects.end(), [&](const Rect& r) { return r.Top == belowTop; });
    }
    // The slice is a run of whole bands of a canonical region: canonical too.
    Region::Builder slice;
    for (auto band = first; band != last;) {
        auto end = band;
        while (end != last && end->Top == band->Top)
            ++end;
        slice.AddBand(band->Top, band->Bottom, std::span<const Rect>(&*band, size_t(end - band)));
        band = end;
    }
    const Region combined = CombineBands(slice.Finish(), b, overlap, true, keepB);
    const std::span<const Rect> out = combined.Rects();
    const size_t at = size_t(first - rects.begin()), removed = size_t(last - first);
    if (out.size() >= removed) {
        std::copy(out.begin(), out.begin() + std::ptrdiff_t(removed), rects.begin() + std::ptrdiff_t(at));
        rects.insert(rects.begin() + std::ptrdiff_t(at + removed), out.begin() + std::ptrdiff_t(removed), out.end());
    } else {
        std::copy(out.begin(), out.end(), rects.begin() + std::ptrdiff_t(at));
        rects.erase(rects.begin() + std::ptrdiff_t(at + out.size()), rects.begin() + std::ptrdiff_t(at + removed));
    }
}

// Worth the splice: b small against a.
bool SpliceWorthIt(const Region& a, const Region& b) { return a.Rects().size() >= 64 && b.Rects().size() * 8 <= a.Rects().size(); }

bool BoxesMeet(const Rect& a, const Rect& b)
{
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

} // namespace

std::ostream& operator<<(std::ostream& os, RegionType type)
{
    switch (type) {
    case RegionType::Error: return os << "ERROR";
    case RegionType::Null: return os << "NULLREGION";
    case RegionType::Simple: return os << "SIMPLEREGION";
    case RegionType::Complex: return os << "COMPLEXREGION";
    }
    return os << "RegionType(" << static_cast<int>(type) << ')';
}

// ---------------------------------------------------------------------------
// Builder

void Region::Builder::AddBand(int32_t top, int32_t bottom, std::span<const Span> spans)
{
    AddPieces(top, bottom, spans);
}

void Region::Builder::AddBand(int32_t top, int32_t bottom, std::span<const Rect> pieces)
{
    AddPieces(top, bottom, pieces);
}

template <class Piece>
void Region::Builder::AddPieces(int32_t top, int32_t bottom, std::span<const Piece> pieces)
{
    if (top >= bottom)
        return;
    if (!m_rects.empty() && top < m_rects.back().Bottom)
        throw Exception("Region::Builder: bands out of order");

    // The merged spans are written straight after the last band as this
    // band's rectangles, and taken back when the band turns out empty or
    // the same as the one above. Room is made first, growing by doubling,
    // so that no rectangle needs a check of its own.
    const size_t first = m_rects.size();
    const size_t room = first + pieces.size();
    if (m_rects.capacity() < room)
        m_rects.reserve(std::max(room, 2 * m_rects.capacity()));
    for (const Piece& s : pieces) {
        if (s.Left >= s.Right)
            continue;
        if (m_rects.size() > first) {
            Rect& last = m_rects.back();
            if (s.Left < last.Left) {
                m_rects.resize(first);
                throw Exception("Region::Builder: spans out of order");
            }
            if (s.Left <= last.Right) {
                last.Right = std::max(last.Right, s.Right);
                continue;
            }
        }
        m_rects.push_back({s.Left, top, s.Right, bottom});
    }
    const Rect* const band = m_rects.data() + first;
    size_t count = m_rects.size() - first;

    // Coalesce with the band above when it touches and has the same spans.
    if (count > 0 && first > 0 && m_rects[first - 1].Bottom == top && first - m_lastBand == count) {
        const Rect* above = m_rects.data() + m_lastBand;
        size_t i = 0;
        while (i < count && above[i].Left == band[i].Left && above[i].Right == band[i].Right)
            ++i;
        if (i == count) {
            for (size_t k = m_lastBand; k < first; ++k)
                m_rects[k].Bottom = bottom;
            count = 0;
        }
    }
    if (count == 0) {
        m_rects.resize(first);
        return;
    }
    if (first + count > kMaxRects) {
        m_rects.resize(first);
        throw Exception("Region: too many rectangles");
    }
    m_lastBand = first;
    m_left = std::min(m_left, band[0].Left);
    m_right = std::max(m_right, band[count - 1].Right);
}

Region Region::Builder::Finish()
{
    const Rect box = m_rects.empty() ? Rect{}
                                     : Rect{m_left, m_rects.front().Top, m_right, m_rects.back().Bottom};
    Region region(std::move(m_rects), box);
    *this = Builder();
    return region;
}

// ---------------------------------------------------------------------------
// Construction

Region::Region(std::vector<Rect> rects, const Rect& box) : m_rects(std::move(rects)), m_box(box)
{
    assert(IsValid());
}

Region::Region(const Rect& rect)
{
    const Rect r{ClampCoordinate(rect.Left), ClampCoordinate(rect.Top), ClampCoordinate(rect.Right),
                 ClampCoordinate(rect.Bottom)};
    if (!r.IsEmpty()) {
        m_rects.push_back(r);
        m_box = r;
    }
}

Region Region::CreateRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    return Region(Rect{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)});
}

Rect Region::RectFromCoordinates(int64_t left, int64_t top, int64_t right, int64_t bottom)
{
    return {ClampCoordinate(std::min(left, right)), ClampCoordinate(std::min(top, bottom)),
            ClampCoordinate(std::max(left, right)), ClampCoordinate(std::max(top, bottom))};
}

namespace {

// Rectangles whose tops and bottoms lie within a few rows per rectangle
// (every region of the transition styles) are ordered by counting rows
// rather than by comparison sorts, which took most of the time of building
// a region of speckles.
bool FewRowsFor(const std::vector<Rect>& rects, int32_t top, int32_t bottom)
{
    return int64_t(bottom) - top <= 4 * int64_t(rects.size()) + 1024;
}

std::pair<int32_t, int32_t> RowsSpanned(const std::vector<Rect>& rects)
{
    int32_t top = rects.front().Top, bottom = rects.front().Bottom;
    for (const Rect& r : rects) {
        top = std::min(top, r.Top);
        bottom = std::max(bottom, r.Bottom);
    }
    return {top, bottom};
}

// Every distinct top and bottom, rising; the rectangles lie within rows
// top to bottom.
std::vector<int32_t> SortedEdges(const std::vector<Rect>& rects, int32_t top, int32_t bottom)
{
    std::vector<int32_t> edges;
    if (FewRowsFor(rects, top, bottom)) {
        std::vector<bool> isEdge(size_t(bottom - top) + 1);
        for (const Rect& r : rects) {
            isEdge[size_t(r.Top - top)] = true;
            isEdge[size_t(r.Bottom - top)] = true;
        }
        for (size_t i = 0; i < isEdge.size(); ++i)
            if (isEdge[i])
                edges.push_back(top + int32_t(i));
        return edges;
    }
    edges.reserve(2 * rects.size());
    for (const Rect& r : rects) {
        edges.push_back(r.Top);
        edges.push_back(r.Bottom);
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    return edges;
}

void SortByTopThenLeft(std::vector<Rect>& rects, int32_t top, int32_t bottom)
{
    const auto byLeft = [](const Rect& a, const Rect& b) { return a.Left < b.Left; };
    if (!FewRowsFor(rects, top, bottom)) {
        std::sort(rects.begin(), rects.end(), [](const Rect& a, const Rect& b) {
            return a.Top != b.Top ? a.Top < b.Top : a.Left < b.Left;
        });
        return;
    }
    // Counted into place by top, keeping their order; then each row's few
    // rectangles, usually made left to right already, by Left.
    std::vector<uint32_t> start(size_t(bottom - top) + 2);
    for (const Rect& r : rects)
        ++start[size_t(r.Top - top) + 1];
    for (size_t i = 1; i < start.size(); ++i)
        start[i] += start[i - 1];
    std::vector<Rect> sorted(rects.size());
    for (const Rect& r : rects)
        sorted[start[size_t(r.Top - top)]++] = r;
    for (size_t first = 0; first < sorted.size();) {
        size_t last = first + 1;
        while (last < sorted.size() && sorted[last].Top == sorted[first].Top)
            ++last;
        const auto from = sorted.begin() + std::ptrdiff_t(first), to = sorted.begin() + std::ptrdiff_t(last);
        if (!std::is_sorted(from, to, byLeft))
            std::sort(from, to, byLeft);
        first = last;
    }
    rects = std::move(sorted);
}

} // namespace

Region Region::FromRects(std::vector<Rect> rects)
{
    for (Rect& r : rects)
        r = RectFromCoordinates(r.Left, r.Top, r.Right, r.Bottom);
    std::erase_if(rects, [](const Rect& r) { return r.IsEmpty(); });
    Builder builder;
    if (rects.empty())
        return builder.Finish();

    // Every band lies between two consecutive edges; the rectangles covering
    // it are kept sorted by Left as the sweep goes down, so each band's spans
    // come out in order.
    const auto [firstRow, endRow] = RowsSpanned(rects);
    std::vector<int32_t> edges = SortedEdges(rects, firstRow, endRow);
    SortByTopThenLeft(rects, firstRow, endRow);
    const auto byLeft = [](const Rect& a, const Rect& b) { return a.Left < b.Left; };

    std::vector<Rect> active;
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
        builder.AddBand(top, bottom, std::span<const Rect>(active));
    }
    return builder.Finish();
}

// ---------------------------------------------------------------------------
// Operations

RegionType Region::Combine(const Region& a, const Region& b, CombineMode mode)
{
    // The in-place splice for a small b (never when b is this region).
    const bool splice = &b != this && SpliceWorthIt(a, b);
    auto spliceCombine = [&](OverlapFn overlap, bool keepB) {
        if (this != &a)
            m_rects = a.m_rects;
        CombineAround(m_rects, b, overlap, keepB);
        if (mode == CombineMode::Or) {
            m_box = m_box.United(b.m_box);
            if (this != &a)
                m_box = a.m_box.United(b.m_box);
        } else {
            m_box = {};
            if (!m_rects.empty()) {
                m_box = {m_rects.front().Left, m_rects.front().Top, m_rects.front().Right, m_rects.back().Bottom};
                for (const Rect& r : m_rects) {
                    m_box.Left = std::min(m_box.Left, r.Left);
                    m_box.Right = std::max(m_box.Right, r.Right);
                }
            }
        }
        assert(IsValid());
    };
    // Settle the trivial cases first; the engine handles everything else.
    switch (mode) {
    case CombineMode::Copy:
        if (this != &a)
            *this = a;
        return Type();
    case CombineMode::And:
        if (a.IsEmpty() || b.IsEmpty() || !BoxesMeet(a.m_box, b.m_box))
            *this = Region();
        else if (&a == &b)
            *this = a;
        else
            *this = CombineBands(a, b, IntersectSpans, false, false);
        return Type();
    case CombineMode::Or:
        if (a.IsEmpty() || &a == &b)
            *this = b;
        else if (b.IsEmpty())
            *this = a;
        else if (splice)
            spliceCombine(UniteSpans, true);
        else
            *this = CombineBands(a, b, UniteSpans, true, true);
        return Type();
    case CombineMode::Diff:
        if (&a == &b)
            *this = Region();
        else if (b.IsEmpty() || !BoxesMeet(a.m_box, b.m_box))
            *this = a;
        else if (splice)
            spliceCombine(SubtractSpans, false);
        else
            *this = CombineBands(a, b, SubtractSpans, true, false);
        return Type();
    case CombineMode::Xor:
        if (&a == &b)
            *this = Region();
        else if (a.IsEmpty())
            *this = b;
        else if (b.IsEmpty())
            *this = a;
        else if (splice)
            spliceCombine(XorSpans, true);
        else
            *this = CombineBands(a, b, XorSpans, true, true);
        return Type();
    }
    throw Exception("CombineRgn: invalid mode");
}

RegionType Region::Offset(int32_t dx, int32_t dy)
{
    if (IsEmpty() || (dx == 0 && dy == 0))
        return Type();
    const auto fits = [](int64_t v) { return v >= -kCoordinateLimit && v <= kCoordinateLimit; };
    if (fits(int64_t{m_box.Left} + dx) && fits(int64_t{m_box.Right} + dx) && fits(int64_t{m_box.Top} + dy) &&
        fits(int64_t{m_box.Bottom} + dy)) {
        for (Rect& r : m_rects)
            r.Offset(dx, dy);
        m_box.Offset(dx, dy);
        return Type();
    }
    // Part of the region leaves the coordinate space: clip band by band.
    // Clipping in x can make neighbouring bands equal, so rebuild.
    Builder builder;
    std::vector<Span> spans;
    for (size_t begin = 0; begin < m_rects.size();) {
        const size_t end = BandEnd(m_rects, begin);
        spans.clear();
        for (size_t i = begin; i < end; ++i)
            spans.push_back({ClampCoordinate(int64_t{m_rects[i].Left} + dx), ClampCoordinate(int64_t{m_rects[i].Right} + dx)});
        builder.AddBand(ClampCoordinate(int64_t{m_rects[begin].Top} + dy),
                        ClampCoordinate(int64_t{m_rects[begin].Bottom} + dy), spans);
        begin = end;
    }
    *this = builder.Finish();
    return Type();
}

// ---------------------------------------------------------------------------
// Queries

RegionType Region::Type() const
{
    if (m_rects.empty())
        return RegionType::Null;
    return m_rects.size() == 1 ? RegionType::Simple : RegionType::Complex;
}

bool Region::Contains(Point p) const
{
    if (!m_box.Contains(p))
        return false;
    // The first rectangle whose band reaches below p.Y, then that band's spans.
    auto it = std::partition_point(m_rects.begin(), m_rects.end(), [&](const Rect& r) { return r.Bottom <= p.Y; });
    if (it == m_rects.end() || it->Top > p.Y)
        return false;
    const int32_t top = it->Top;
    auto bandEnd = std::find_if(it, m_rects.end(), [&](const Rect& r) { return r.Top != top; });
    auto span = std::partition_point(it, bandEnd, [&](const Rect& r) { return r.Right <= p.X; });
    return span != bandEnd && span->Left <= p.X;
}

bool Region::IsValid() const
{
    if (m_rects.empty())
        return m_box == Rect{};
    Rect box{m_rects.front().Left, m_rects.front().Top, m_rects.front().Right, m_rects.back().Bottom};
    size_t bandBegin = 0;
    size_t prevBegin = 0, prevEnd = 0; // the band above, if any
    for (size_t i = 0; i < m_rects.size(); ++i) {
        const Rect& r = m_rects[i];
        if (r.IsEmpty() || r.Left < -kCoordinateLimit || r.Right > kCoordinateLimit || r.Top < -kCoordinateLimit ||
            r.Bottom > kCoordinateLimit)
            return false;
        box.Left = std::min(box.Left, r.Left);
        box.Right = std::max(box.Right, r.Right);
        if (i > bandBegin) {
            const Rect& p = m_rects[i - 1];
            if (r.Top != p.Top || r.Bottom != p.Bottom || r.Left <= p.Right)
                return false;
        }
        const bool lastOfBand = i + 1 == m_rects.size() || m_rects[i + 1].Top != r.Top;
        if (!lastOfBand)
            continue;
        // Band [bandBegin, i]: below the previous one, and not a copy of it
        // when they touch.
        if (prevEnd > prevBegin) {
            const Rect& above = m_rects[prevBegin];
            if (r.Top < above.Bottom)
                return false;
            if (r.Top == above.Bottom && prevEnd - prevBegin == i + 1 - bandBegin &&
                std::equal(m_rects.begin() + static_cast<ptrdiff_t>(prevBegin), m_rects.begin() + static_cast<ptrdiff_t>(prevEnd),
                           m_rects.begin() + static_cast<ptrdiff_t>(bandBegin),
                           [](const Rect& x, const Rect& y) { return x.Left == y.Left && x.Right == y.Right; }))
                return false;
        }
        prevBegin = bandBegin;
        prevEnd = i + 1;
        bandBegin = i + 1;
    }
    return box == m_box;
}

std::ostream& operator<<(std::ostream& os, const Region& region)
{
    const std::span<const Rect> rects = region.Rects();
    os << "Region " << region.Type() << ' ' << region.Box() << " (" << rects.size() << " rects)";
    for (size_t i = 0; i < rects.size(); ++i) {
        if (i == 0 || rects[i].Top != rects[i - 1].Top)
            os << "\n  " << rects[i].Top << ".." << rects[i].Bottom << ':';
        os << ' ' << rects[i].Left << '-' << rects[i].Right;
    }
    return os;
}

// ---------------------------------------------------------------------------
// GDI-style wrappers

RegionType CombineRgn(Region& dest, const Region& src1, const Region& src2, CombineMode mode)
{
    return dest.Combine(src1, src2, mode);
}

RegionType OffsetRgn(Region& region, int32_t dx, int32_t dy) { return region.Offset(dx, dy); }

RegionType GetRgnBox(const Region& region, Rect& box)
{
    box = region.Box();
    return region.Type();
}

bool PtInRegion(const Region& region, int32_t x, int32_t y) { return region.Contains({x, y}); }

} // namespace saver
