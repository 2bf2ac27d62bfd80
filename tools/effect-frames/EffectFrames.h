#pragma once
// effect-frames: renders transition frames to PNG files without a window,
// lists the styles, and draws a contact sheet of all of them.

#include <ostream>
#include <string>
#include <vector>

namespace saver {

// Exit codes of the tool.
constexpr int EffectFramesOk = 0;
constexpr int EffectFramesIoError = 1;
constexpr int EffectFramesUsageError = 2;

// Runs the tool with the arguments that follow the program name. Normal
// output goes to `out`, messages to `err`.
int RunEffectFrames(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The name of a frame's file inside the output folder: style-NNN-pPPP.png.
[[nodiscard]] std::string FrameFileName(unsigned style, unsigned progress);

} // namespace saver
