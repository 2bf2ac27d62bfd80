// Drawing one line of text with an effect set, and the fill images it lays
// through the mask (gradient, texture, noise).
#include "aatext/AAFontEx.h"
#include "aatext/AAInternal.h"

#include <algorithm>
#include <cstring>
#include <random>

namespace saver {

using aatext::FillBitmap24;
using aatext::FillRow24;
using aatext::PlaceGraphic;
using aatext::Placement;
using aatext::RoundDivHalfEven;

TAAFontEx::TAAFontEx(Canvas* canvas) : TAAFont(canvas), m_noiseSeed(std::random_device{}()) {}

int32_t TAAFontEx::TextWidth(std::string_view text)
{
    const TAAShadow& shadow = m_effect.Shadow();
    return TAAFont::TextWidth(text) + (shadow.Enabled() ? std::abs(int32_t(shadow.OffsetX())) : 0);
}

int32_t TAAFontEx::TextHeight(std::string_view text)
{
    const TAAShadow& shadow = m_effect.Shadow();
    return TAAFont::TextHeight(text) + (shadow.Enabled() ? std::abs(int32_t(shadow.OffsetY())) : 0);
}

void TAAFontEx::TextOut(int32_t x, int32_t y, std::string_view text)
{
    Canvas* canvas = GetCanvas();
    if (!canvas || text.empty())
        return;
    const TAAShadow& shadow = m_effect.Shadow();
    // Text and shadow together fill the measured box whatever the signs of
    // the offsets.
    Point textAt{x, y};
    if (shadow.Enabled())
        textAt = {x + std::max(-int32_t(shadow.OffsetX()), 0), y + std::max(-int32_t(shadow.OffsetY()), 0)};

    Mask().DrawText(text);
    if (m_effect.Outline())
        Mask().ApplyOutline();

    // The text is laid over its shadow, not over a box of the brush colour;
    // the brush comes back afterwards.
    const CanvasStateSaver restore(*canvas);

    if (shadow.Enabled()) {
        // The shadow follows the outline but not the text's own blur.
        TAAMask shadowMask(this);
        shadowMask.Assign(Mask());
        if (shadow.Blur() > 0)
            shadowMask.ApplyBlur(shadow.Blur());
        Blend().BlendColor(x + std::max(int32_t(shadow.OffsetX()), 0), y + std::max(int32_t(shadow.OffsetY()), 0),
                           shadowMask, uint8_t(shadow.Alpha() * m_effect.Alpha() / 100), shadow.Color());
        canvas->Brush.Style = BrushStyle::bsClear;
    }

    if (m_effect.Blur() > 0)
        Mask().ApplyBlur(m_effect.Blur());

    const uint8_t noise = m_effect.Noise();
    bool fill = true;
    if (m_effect.Texture().Enabled() && m_effect.Texture().HasGraphic())
        BuildTexture();
    else if (m_effect.Gradual().Enabled())
        BuildGradient();
    else
        fill = false;
    if (fill) {
        if (noise > 0)
            AddNoise(noise);
        Blend().BlendFill(textAt.X, textAt.Y, Mask(), m_effect.Alpha());
    } else if (noise > 0) {
        BuildNoise();
        Blend().BlendFill(textAt.X, textAt.Y, Mask(), m_effect.Alpha());
    } else {
        Blend().BlendColor(textAt.X, textAt.Y, Mask(), m_effect.Alpha(), canvas->Font.Color);
    }
}

void TAAFontEx::BuildGradient()
{
    const TAAGradual& gradual = m_effect.Gradual();
    if (!GetCanvas() || !gradual.Enabled())
        return;
    Bitmap& fore = Blend().ForeBitmap();
    fore.SetPixelFormat(PixelFormat::pf24bit);
    fore.SetSize(Mask().Width(), Mask().Height());
    if (fore.Empty())
        return;

    const TGradualStyle style = gradual.Style();
    const bool reversed = style == TGradualStyle::gsRightToLeft || style == TGradualStyle::gsBottomToTop;
    const bool horizontal = style == TGradualStyle::gsLeftToRight || style == TGradualStyle::gsRightToLeft;
    const TColor from = ColorToRGB(reversed ? gradual.EndColor() : gradual.StartColor());
    const TColor to = ColorToRGB(reversed ? gradual.StartColor() : gradual.EndColor());
    const int32_t fb = GetBValue(from), fg = GetGValue(from), fr = GetRValue(from);
    const int32_t db = GetBValue(to) - fb, dg = GetGValue(to) - fg, dr = GetRValue(to) - fr;
    const int32_t n = horizontal ? fore.Width() : fore.Height();
    // Step i of n: from + Round((to - from) * i / (n - 1)); a single step is
    // the from colour.
    const auto channel = [n](int32_t start, int32_t delta, int32_t i) {
        return uint8_t(n <= 1 ? start : start + RoundDivHalfEven(int64_t(delta) * i, n - 1));
    };

    if (horizontal) {
        uint8_t* first = fore.ScanLine(0);
        for (int32_t i = 0; i < n; ++i) {
            first[i * 3] = channel(fb, db, i);
            first[i * 3 + 1] = channel(fg, dg, i);
            first[i * 3 + 2] = channel(fr, dr, i);
        }
        for (int32_t y = 1; y < fore.Height(); ++y)
            std::memcpy(fore.ScanLine(y), first, size_t(fore.Width()) * 3);
    } else {
        for (int32_t i = 0; i < n; ++i)
            FillRow24(fore.ScanLine(i), fore.Width(), RGB(channel(fr, dr, i), channel(fg, dg, i), channel(fb, db, i)));
    }
}

void aatext::PlaceGraphic(Canvas& canvas, const Rect& rect, Placement placement, const Graphic& graphic)
{
    const int32_t gw = graphic.Width(), gh = graphic.Height();
    switch (placement) {
    case Placement::Tiled:
        for (int32_t j = 0; j <= rect.Height() / gh; ++j)
            for (int32_t i = 0; i <= rect.Width() / gw; ++i)
                graphic.Draw(canvas, rect.Left + i * gw, rect.Top + j * gh);
        break;
    case Placement::Stretched:
        graphic.StretchDraw(canvas, rect);
        break;
    case Placement::Center:
        graphic.Draw(canvas, (rect.Right + rect.Left - gw) / 2, (rect.Bottom + rect.Top - gh) / 2);
        break;
    case Placement::Normal:
        graphic.Draw(canvas, rect.Left, rect.Top);
        break;
    }
}

void TAAFontEx::BuildTexture()
{
    const TAATexture& texture = m_effect.Texture();
    Canvas* canvas = GetCanvas();
    if (!canvas || !texture.Enabled() || !texture.GetPicture().HasGraphic())
        return;
    Bitmap& fore = Blend().ForeBitmap();
    fore.SetPixelFormat(PixelFormat::pf24bit);
    fore.SetSize(Mask().Width(), Mask().Height());
    FillBitmap24(fore, ColorToRGB(canvas->Font.Color));

    const Graphic& graphic = *texture.GetPicture().GetGraphic();
    // An empty graphic covers nothing (and would tile forever).
    if (graphic.Empty() || fore.Empty())
        return;
    PlaceGraphic(fore.GetCanvas(), Rect{0, 0, fore.Width(), fore.Height()}, Placement(texture.Mode()), graphic);
}

void TAAFontEx::BuildNoise()
{
    Canvas* canvas = GetCanvas();
    if (!canvas)
        return;
    Bitmap& fore = Blend().ForeBitmap();
    fore.SetPixelFormat(PixelFormat::pf24bit);
    fore.SetSize(Mask().Width(), Mask().Height());
    FillBitmap24(fore, ColorToRGB(canvas->Font.Color));
    AddNoise(m_effect.Noise());
}

void TAAFontEx::AddNoise(uint8_t amount)
{
    Bitmap& fore = Blend().ForeBitmap();
    const int32_t half = amount / 2;
    const size_t bytes = size_t(fore.Width()) * size_t(BitsPerPixel(fore.GetPixelFormat()) / 8);
    // A linear congruential generator; R = high 32 bits of seed * amount is
    // uniform in 0 .. amount - 1.
    uint32_t seed = m_noiseSeed;
    for (int32_t y = 0; y < fore.Height(); ++y) {
        uint8_t* row = fore.ScanLine(y);
        for (size_t i = 0; i < bytes; ++i) {
            seed = seed * 134775813u + 1u;
            const int32_t r = int32_t((uint64_t(seed) * amount) >> 32);
            const int32_t v = row[i] + r - half;
            row[i] = uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
    }
    m_noiseSeed = seed;
}

} // namespace saver
