#pragma once
// aatext-render: renders one tagged line of anti-aliased text with the
// default font sets and user labels into a PNG file.

#include "aatext/AAFont.h"
#include "gdi/Bitmap.h"

#include <ostream>
#include <string>
#include <vector>

namespace saver {

// Exit codes of the tool.
constexpr int AATextRenderOk = 0;
constexpr int AATextRenderIoError = 1;
constexpr int AATextRenderUsageError = 2;

// Runs the tool with the arguments that follow the program name. Normal
// output goes to `out`, messages to `err`.
int RunAATextRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Renders `line` into `bitmap` (24-bit, its size kept) as the fade text
// control renders a line: font tags, then label tags, then the text
// measured, placed by its alignment (left unless a tag says otherwise) and
// centred vertically, on a background colour.
void RenderTaggedLine(Bitmap& bitmap, std::string line, TColor background, TAAQuality quality);

} // namespace saver
