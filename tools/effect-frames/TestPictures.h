#pragma once
// Deterministic pictures for rendering transition frames without any files.
//
// The old picture uses a cool palette (red always below 0x80): a two-axis
// gradient, a fine grid every 8 pixels, a bright grid every 64, the digits
// 1 to 4 in the corners (top left, top right, bottom left, bottom right)
// and a cross in the middle. The new picture uses a warm palette (red always
// 0x80 or more): diagonal stripes, concentric rings about the centre and the
// digits 5 to 8 in the corners. So at every pixel the two differ, a frame
// tells old from new by one bit, and a shifted, mirrored or scaled copy of
// either shows.

#include "core/Color.h"

#include <cstdint>
#include <memory>

namespace saver {

class Bitmap;

// 24-bit pictures, as a decoded JPEG would be.
[[nodiscard]] std::unique_ptr<Bitmap> MakeOldTestPicture(int32_t width, int32_t height);
[[nodiscard]] std::unique_ptr<Bitmap> MakeNewTestPicture(int32_t width, int32_t height);
[[nodiscard]] std::unique_ptr<Bitmap> MakeSolidPicture(int32_t width, int32_t height, TColor color);

// The pixel came from the new test picture (and not from the old one).
[[nodiscard]] constexpr bool IsNewTestPixel(TColor c) { return GetRValue(c) >= 0x80; }

} // namespace saver
