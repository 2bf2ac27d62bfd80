#pragma once
// A picture of one colour, for tests that drive the transition control and
// do not look at what the picture shows.

#include "gdi/Canvas.h"
#include "gui/Picture.h"

#include <memory>

namespace saver::test {

inline std::unique_ptr<Graphic> Solid(int32_t w, int32_t h, TColor color)
{
    auto g = std::make_unique<BitmapGraphic>();
    g->GetBitmap().SetSize(w, h);
    g->GetBitmap().GetCanvas().Brush.Color = color;
    g->GetBitmap().GetCanvas().FillRect({0, 0, w, h});
    return g;
}

} // namespace saver::test
