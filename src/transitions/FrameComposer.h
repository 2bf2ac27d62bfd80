#pragma once
// Composing a whole transition frame: the old image, with the style's
// effect drawn over it. The result is always the same pixels as drawing
// the old image into the frame and then calling the style's procedure, but
// where the style's drawing is known before anything is drawn (the
// rectangle and region styles) each pixel is written once, from the old
// image or from the new picture, instead of the old image being copied
// first and largely overwritten. A frame is memory-bound, so this saves
// most of a frame copy.

#include "core/Geometry.h"
#include "transitions/PSEffect.h"

#include <cstdint>

namespace saver {

class Bitmap;
class Region;

// The frame for Progress 1 to 99 of `style` (1 to 150; 0, "Custom", gives
// the old image alone). `Screen` is the frame bitmap, the size of `Picture`;
// R is (0, 0, width, height).
void ComposeShowFrame(TShowStyle style, Bitmap& Screen, const Bitmap& OldImage, const Bitmap& Picture, const Rect& R,
                      uint32_t Step, uint32_t Progress);

// One pass over the frame: `Picture` inside `region`, the old image
// elsewhere; with no picture the inside is left as it is. All bitmaps must
// be the frame's size with four bytes a pixel, and the frame's canvas must
// have no clip or origin (CanComposeInOnePass).
void ComposeRegionFrame(Bitmap& Screen, const Bitmap& OldImage, const Bitmap* Picture, const Region& region);
[[nodiscard]] bool CanComposeInOnePass(Bitmap& Screen, const Bitmap& OldImage, const Bitmap& Picture);

} // namespace saver
