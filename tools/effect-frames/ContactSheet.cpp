#include "effect-frames/ContactSheet.h"

#include "effect-frames/DigitFont.h"
#include "effect-frames/TransitionFrames.h"
#include "gdi/Bitmap.h"
#include "gdi/Canvas.h"
#include "transitions/PSEffect.h"

#include <algorithm>
#include <string>

namespace saver {

SheetLayout MakeSheetLayout(Size thumbnail)
{
    SheetLayout layout;
    layout.Thumbnail = thumbnail;
    // Three digits must fit the width; the strip keeps one cell of margin
    // above and below the glyphs.
    layout.DigitScale = std::clamp(std::min(thumbnail.Height / 40, thumbnail.Width / 16), 1, 6);
    layout.LabelHeight = (kDigitGlyphHeight + 2) * layout.DigitScale;
    return layout;
}

Size SheetSize(const SheetLayout& layout)
{
    return {kSheetColumns * (layout.Thumbnail.Width + kSheetGap) + kSheetGap,
            kSheetRows * (layout.Thumbnail.Height + layout.LabelHeight + kSheetGap) + kSheetGap};
}

Rect SheetThumbnailRect(const SheetLayout& layout, unsigned style)
{
    const int32_t index = int32_t(style) - 1;
    const int32_t column = index % kSheetColumns, row = index / kSheetColumns;
    return Rect::FromSize(kSheetGap + column * (layout.Thumbnail.Width + kSheetGap),
                          kSheetGap + row * (layout.Thumbnail.Height + layout.LabelHeight + kSheetGap),
                          layout.Thumbnail.Width, layout.Thumbnail.Height);
}

Rect SheetLabelRect(const SheetLayout& layout, unsigned style)
{
    const Rect thumbnail = SheetThumbnailRect(layout, style);
    return Rect::FromSize(thumbnail.Left, thumbnail.Bottom, thumbnail.Width(), layout.LabelHeight);
}

std::unique_ptr<Bitmap> RenderContactSheet(const Bitmap& oldPicture, const Bitmap& newPicture, uint32_t step,
                                           uint32_t progress)
{
    const SheetLayout layout = MakeSheetLayout({newPicture.Width(), newPicture.Height()});
    const Size size = SheetSize(layout);
    auto sheet = std::make_unique<Bitmap>(size.Width, size.Height, PixelFormat::pf24bit);
    Canvas& canvas = sheet->GetCanvas();
    canvas.Brush = {kSheetBackground, BrushStyle::bsSolid};
    canvas.FillRect({0, 0, size.Width, size.Height});

    for (unsigned style = 1; style <= kLastShowStyle; ++style) {
        TransitionFrames frames(oldPicture, newPicture, style);
        const Rect thumbnail = SheetThumbnailRect(layout, style);
        canvas.Draw(thumbnail.Left, thumbnail.Top, frames.Compose(step, progress));

        const Rect label = SheetLabelRect(layout, style);
        canvas.Brush.Color = kSheetLabelStrip;
        canvas.FillRect(label);
        const std::string number = std::to_string(style);
        const int32_t s = layout.DigitScale;
        DrawDigits(canvas, {label.Left + (label.Width() - DigitsWidth(number.size(), s)) / 2, label.Top + s}, s,
                   number, kSheetLabelInk);
    }
    return sheet;
}

} // namespace saver
