#pragma once
// Points, sizes and rectangles in the platform's integer pixel space.
//
// Rect follows the Win32 RECT convention: Left and Top are inside, Right and
// Bottom are one past the last pixel (half-open). A rectangle with
// Right <= Left or Bottom <= Top is empty.

#include <algorithm>
#include <cstdint>
#include <ostream>

namespace saver {

struct Point {
    int32_t X = 0;
    int32_t Y = 0;

    constexpr bool operator==(const Point&) const = default;
    [[nodiscard]] constexpr Point Translated(int32_t dx, int32_t dy) const { return {X + dx, Y + dy}; }
};

struct Size {
    int32_t Width = 0;
    int32_t Height = 0;

    constexpr bool operator==(const Size&) const = default;
    [[nodiscard]] constexpr bool IsEmpty() const { return Width <= 0 || Height <= 0; }
};

struct Rect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;

    constexpr bool operator==(const Rect&) const = default;

    static constexpr Rect FromSize(int32_t left, int32_t top, int32_t width, int32_t height)
    {
        return {left, top, left + width, top + height};
    }

    [[nodiscard]] constexpr int32_t Width() const { return Right - Left; }
    [[nodiscard]] constexpr int32_t Height() const { return Bottom - Top; }
    [[nodiscard]] constexpr Size GetSize() const { return {Width(), Height()}; }
    [[nodiscard]] constexpr Point TopLeft() const { return {Left, Top}; }
    [[nodiscard]] constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }

    [[nodiscard]] constexpr bool Contains(Point p) const
    {
        return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom;
    }

    constexpr void Offset(int32_t dx, int32_t dy)
    {
        Left += dx;
        Right += dx;
        Top += dy;
        Bottom += dy;
    }
    [[nodiscard]] constexpr Rect Offsetted(int32_t dx, int32_t dy) const
    {
        Rect r = *this;
        r.Offset(dx, dy);
        return r;
    }

    // Intersection; an empty result is normalised to (0, 0, 0, 0) as IntersectRect does.
    constexpr void Intersect(const Rect& other)
    {
        Rect r{std::max(Left, other.Left), std::max(Top, other.Top), std::min(Right, other.Right),
               std::min(Bottom, other.Bottom)};
        *this = r.IsEmpty() ? Rect{} : r;
    }
    [[nodiscard]] constexpr Rect Intersected(const Rect& other) const
    {
        Rect r = *this;
        r.Intersect(other);
        return r;
    }

    // Smallest rectangle covering both; empty rectangles do not contribute (UnionRect).
    constexpr void Unite(const Rect& other)
    {
        if (other.IsEmpty())
            return;
        if (IsEmpty()) {
            *this = other;
            return;
        }
        *this = {std::min(Left, other.Left), std::min(Top, other.Top), std::max(Right, other.Right),
                 std::max(Bottom, other.Bottom)};
    }
    [[nodiscard]] constexpr Rect United(const Rect& other) const
    {
        Rect r = *this;
        r.Unite(other);
        return r;
    }
};

inline std::ostream& operator<<(std::ostream& os, const Point& p) { return os << '(' << p.X << ',' << p.Y << ')'; }
inline std::ostream& operator<<(std::ostream& os, const Size& s) { return os << s.Width << 'x' << s.Height; }
inline std::ostream& operator<<(std::ostream& os, const Rect& r)
{
    return os << '[' << r.Left << ',' << r.Top << ' ' << r.Right << ',' << r.Bottom << ']';
}

} // namespace saver
