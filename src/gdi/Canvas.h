#pragma once
// Drawing onto a bitmap: a brush colour, a clip rectangle and an origin, so
// that a control can paint into the surface of the window that holds it in
// its own client coordinates. A canvas carries a recursive lock that the
// transition control and its animation thread use to share a bitmap.

#include "core/Color.h"
#include "core/Geometry.h"

#include <mutex>
#include <optional>

namespace saver {

class Bitmap;

struct CanvasBrush {
    TColor Color = clWhite;
};

class Canvas {
public:
    explicit Canvas(Bitmap* target = nullptr);

    void SetTarget(Bitmap* target) { m_target = target; }
    [[nodiscard]] Bitmap* Target() const { return m_target; }

    // Drawing coordinates are offset by Origin; drawing is limited to the
    // clip rectangle (given in drawing coordinates) and the target's bounds.
    void SetOrigin(Point origin) { m_origin = origin; }
    [[nodiscard]] Point Origin() const { return m_origin; }
    void SetClipRect(std::optional<Rect> clip) { m_clip = clip; }
    [[nodiscard]] std::optional<Rect> ClipRect() const { return m_clip; }

    CanvasBrush Brush;

    void FillRect(const Rect& rect);
    // Copies the whole source bitmap with its top-left at (x, y).
    void Draw(int32_t x, int32_t y, const Bitmap& source);

    void Lock() { m_lock.lock(); }
    void Unlock() { m_lock.unlock(); }
    bool TryLock() { return m_lock.try_lock(); }

private:
    // The device rectangle that drawing may touch for a rectangle given in
    // drawing coordinates.
    [[nodiscard]] Rect DeviceClip(const Rect& rect) const;

    Bitmap* m_target;
    Point m_origin;
    std::optional<Rect> m_clip;
    std::recursive_mutex m_lock;
};

} // namespace saver
