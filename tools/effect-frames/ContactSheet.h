#pragma once
// A contact sheet of all 150 styles: a grid of 10 columns by 15 rows, style
// 1 at the top left and numbered across, each cell a frame of its style at
// one progress with a black label strip underneath that shows the style
// number in white.

#include "core/Color.h"
#include "core/Geometry.h"

#include <cstdint>
#include <memory>

namespace saver {

class Bitmap;

inline constexpr int32_t kSheetColumns = 10;
inline constexpr int32_t kSheetRows = 15;
inline constexpr int32_t kSheetGap = 4;
inline constexpr TColor kSheetBackground = RGB(0x40, 0x40, 0x40);
inline constexpr TColor kSheetLabelInk = clWhite;
inline constexpr TColor kSheetLabelStrip = clBlack;

struct SheetLayout {
    Size Thumbnail;          // the size of each frame
    int32_t DigitScale = 1;  // pixels per font cell in the labels
    int32_t LabelHeight = 0; // height of the strip below each frame
};

[[nodiscard]] SheetLayout MakeSheetLayout(Size thumbnail);
[[nodiscard]] Size SheetSize(const SheetLayout& layout);
// Where the frame and the label of a style (1 to 150) sit on the sheet.
[[nodiscard]] Rect SheetThumbnailRect(const SheetLayout& layout, unsigned style);
[[nodiscard]] Rect SheetLabelRect(const SheetLayout& layout, unsigned style);

// The 24-bit sheet; the pictures (of equal size) give the thumbnail size.
[[nodiscard]] std::unique_ptr<Bitmap> RenderContactSheet(const Bitmap& oldPicture, const Bitmap& newPicture,
                                                         uint32_t step, uint32_t progress);

} // namespace saver
