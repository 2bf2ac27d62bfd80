#pragma once
// Clip regions with the GDI's pixel rules.
//
// A region is a set of pixels stored as rectangles in canonical banded form:
//
//     band 0   +------+   +---+     rectangles of a band share Top and
//              |      |   |   |     Bottom, are sorted by Left and never
//     band 1   +------+---+---+     touch (Right < next Left); bands are
//              |              |     sorted by Top and never overlap; two
//     band 2   +---+      +---+     bands that touch vertically differ in
//              |   |      |   |     their spans.
//              +---+      +---+
//
// Every area has exactly one encoding, so equal areas compare equal
// rectangle by rectangle, and the box is exact. Rectangles are half-open
// like everywhere else (Right and Bottom are outside).
//
// The shapes follow the GDI pixel for pixel: ellipses and rounded
// rectangles stop one pixel short on the right and bottom, polygons take a
// pixel when its top-left corner lies inside (left and top edges included,
// right and bottom excluded).
//
// Limits, so that absurd input stays cheap in time and memory:
//   - coordinates live in [-kCoordinateLimit, kCoordinateLimit]; rectangle
//     arguments and offsets reaching beyond are clipped to it;
//   - polygons, ellipses and rounded rectangles accept any coordinates but
//     are rasterised only within the square [-kShapeLimit, kShapeLimit)
//     (exactly: what lies inside is what the whole shape would give);
//   - these are refused with saver::Exception: polygons of more than
//     kMaxPolygonPoints points, ellipses and round-rectangle corners wider
//     or taller than kMaxEllipseSize, and results needing more than
//     kMaxRects rectangles.

#include "core/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <span>
#include <vector>

namespace saver {

// GDI's region type codes (ERROR, NULLREGION, SIMPLEREGION, COMPLEXREGION).
enum class RegionType { Error = 0, Null = 1, Simple = 2, Complex = 3 };

// CreatePolygonRgn fill modes (ALTERNATE, WINDING).
enum class PolyFillMode { Alternate = 1, Winding = 2 };

// CombineRgn modes (RGN_AND ... RGN_COPY).
enum class CombineMode { And = 1, Or = 2, Xor = 3, Diff = 4, Copy = 5 };

std::ostream& operator<<(std::ostream& os, RegionType type);

class Region {
public:
    static constexpr int32_t kCoordinateLimit = 1 << 27;
    static constexpr int32_t kShapeLimit = 1 << 15;
    static constexpr size_t kMaxPolygonPoints = 1024;
    static constexpr int32_t kMaxEllipseSize = 1 << 20;
    static constexpr size_t kMaxRects = size_t{1} << 22;

    // A horizontal run [Left, Right) inside one band.
    struct Span {
        int32_t Left = 0;
        int32_t Right = 0;
        constexpr bool operator==(const Span&) const = default;
    };

    // Assembles a region band by band, top to bottom, keeping it canonical.
    class Builder {
    public:
        // Appends [top, bottom) x spans. The spans must be sorted by Left;
        // overlapping or touching ones are merged and empty ones dropped.
        // The band must not start above the bottom of the previous one.
        // Throws saver::Exception when the order is broken or the region
        // would exceed kMaxRects.
        void AddBand(int32_t top, int32_t bottom, std::span<const Span> spans);
        // The same for the horizontal extents of rectangles (their Left and
        // Right), sorted by Left: a sweep's rectangles need no copying.
        void AddBand(int32_t top, int32_t bottom, std::span<const Rect> pieces);
        [[nodiscard]] Region Finish();

    private:
        template <class Piece>
        void AddPieces(int32_t top, int32_t bottom, std::span<const Piece> pieces);

        std::vector<Rect> m_rects;
        size_t m_lastBand = 0; // index of the first rectangle of the last band
        // The leftmost and rightmost edges so far, for the box.
        int32_t m_left = kCoordinateLimit, m_right = -kCoordinateLimit;
    };

    Region() = default; // the empty region
    // The rectangle's pixels; none if it is empty (not put in order).
    explicit Region(const Rect& rect);

    // CreateRectRgn: swapped coordinates are put in order first.
    static Region CreateRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom);
    // The rectangle CreateRectRgn takes four coordinates as: put in order and
    // limited to the coordinate space. In 64 bits, so that callers' sums
    // need not fit 32; the result may be empty.
    static Rect RectFromCoordinates(int64_t left, int64_t top, int64_t right, int64_t bottom);
    // The union of many rectangles, built in one sweep from top to bottom
    // rather than by one Combine per rectangle. Each is taken as
    // RectFromCoordinates takes its coordinates; empty ones add nothing.
    static Region FromRects(std::vector<Rect> rects);
    // CreateEllipticRgn: the ellipse inscribed in the rectangle, one pixel
    // short on the right and bottom.
    static Region CreateEllipticRgn(int32_t left, int32_t top, int32_t right, int32_t bottom);
    // CreateRoundRectRgn: corners are quarters of an ellipseWidth x
    // ellipseHeight ellipse (signs ignored, clamped to the rectangle).
    static Region CreateRoundRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                     int32_t ellipseWidth, int32_t ellipseHeight);
    // CreatePolygonRgn: the polygon is closed implicitly; fewer than three
    // points give the empty region.
    static Region CreatePolygonRgn(std::span<const Point> points, PolyFillMode mode);

    // *this = a (op) b; either source may be *this. Copy ignores b.
    RegionType Combine(const Region& a, const Region& b, CombineMode mode);
    // Moves the region; parts pushed beyond the coordinate limit are clipped.
    RegionType Offset(int32_t dx, int32_t dy);

    [[nodiscard]] RegionType Type() const;
    [[nodiscard]] bool IsEmpty() const { return m_rects.empty(); }
    // Bounding box; (0, 0, 0, 0) for the empty region.
    [[nodiscard]] Rect Box() const { return m_box; }
    [[nodiscard]] bool Contains(Point p) const;
    // The rectangles in canonical order: by Top, then by Left.
    [[nodiscard]] std::span<const Rect> Rects() const { return m_rects; }

    // Checks the canonical form and the box; every operation keeps it.
    [[nodiscard]] bool IsValid() const;

    bool operator==(const Region& other) const { return m_rects == other.m_rects; }

private:
    // Canonical rectangles and their box.
    Region(std::vector<Rect> rects, const Rect& box);

    std::vector<Rect> m_rects;
    Rect m_box;
};

// One line per band: "top..bottom: left-right left-right".
std::ostream& operator<<(std::ostream& os, const Region& region);

// The GDI calls over Region, for code ported from them.
RegionType CombineRgn(Region& dest, const Region& src1, const Region& src2, CombineMode mode);
RegionType OffsetRgn(Region& region, int32_t dx, int32_t dy);
RegionType GetRgnBox(const Region& region, Rect& box);
bool PtInRegion(const Region& region, int32_t x, int32_t y);

} // namespace saver
