#pragma once
// Picture containers: a Graphic is something drawable with a size (a bitmap
// or a JPEG image); a Picture holds at most one graphic and reports every
// change through OnChange, as the framework's picture property does.

#include "gdi/Bitmap.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace saver {

class Canvas;

class Graphic {
public:
    virtual ~Graphic() = default;
    [[nodiscard]] virtual int32_t Width() const = 0;
    [[nodiscard]] virtual int32_t Height() const = 0;
    [[nodiscard]] bool Empty() const { return Width() <= 0 || Height() <= 0; }
    // Draws the graphic unscaled with its top-left at (x, y).
    virtual void Draw(Canvas& canvas, int32_t x, int32_t y) const = 0;
    // Draws the graphic stretched over the rectangle.
    virtual void StretchDraw(Canvas& canvas, const Rect& rect) const = 0;
    // Makes `target` a bitmap copy of the graphic; throws when it cannot.
    virtual void AssignTo(Bitmap& target) const = 0;
    [[nodiscard]] virtual std::unique_ptr<Graphic> Clone() const = 0;
};

class BitmapGraphic final : public Graphic {
public:
    BitmapGraphic() = default;
    explicit BitmapGraphic(const Bitmap& bitmap) { m_bitmap.Assign(bitmap); }
    [[nodiscard]] int32_t Width() const override { return m_bitmap.Width(); }
    [[nodiscard]] int32_t Height() const override { return m_bitmap.Height(); }
    void Draw(Canvas& canvas, int32_t x, int32_t y) const override;
    void StretchDraw(Canvas& canvas, const Rect& rect) const override;
    void AssignTo(Bitmap& target) const override { target.Assign(m_bitmap); }
    [[nodiscard]] std::unique_ptr<Graphic> Clone() const override;
    Bitmap& GetBitmap() { return m_bitmap; }

private:
    Bitmap m_bitmap{PixelFormat::pf24bit};
};

// A JPEG image: its bytes, its size from the header, and the pixels decoded
// on first use.
class JpegGraphic final : public Graphic {
public:
    // Throws saver::Exception when the header does not parse.
    explicit JpegGraphic(std::vector<uint8_t> bytes);
    [[nodiscard]] int32_t Width() const override { return m_width; }
    [[nodiscard]] int32_t Height() const override { return m_height; }
    void Draw(Canvas& canvas, int32_t x, int32_t y) const override;
    void StretchDraw(Canvas& canvas, const Rect& rect) const override;
    void AssignTo(Bitmap& target) const override;
    [[nodiscard]] std::unique_ptr<Graphic> Clone() const override;

private:
    const Bitmap& Decoded() const;

    std::vector<uint8_t> m_bytes;
    int32_t m_width = 0;
    int32_t m_height = 0;
    mutable std::unique_ptr<Bitmap> m_decoded;
};

class Picture {
public:
    Picture() = default;
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    [[nodiscard]] const Graphic* GetGraphic() const { return m_graphic.get(); }
    [[nodiscard]] bool HasGraphic() const { return m_graphic != nullptr; }
    [[nodiscard]] int32_t Width() const { return m_graphic ? m_graphic->Width() : 0; }
    [[nodiscard]] int32_t Height() const { return m_graphic ? m_graphic->Height() : 0; }

    // Copies another picture's graphic; nullptr (or an empty picture) clears.
    void Assign(const Picture* other);
    void SetGraphic(std::unique_ptr<Graphic> graphic);
    // Loads a JPEG file (the only format the saver's files use); throws
    // saver::Exception with the file name on failure and keeps the old graphic.
    void LoadFromFile(const std::string& path);

    std::function<void()> OnChange;

private:
    void Changed();
    std::unique_ptr<Graphic> m_graphic;
};

} // namespace saver
