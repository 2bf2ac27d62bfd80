#pragma once
// Fingerprints of transition frames: a table of hashes of every style's
// frames on the built-in test pictures, stored with the tests, so that any
// change to what a style draws shows as a changed line.

#include <cstdint>
#include <ostream>

namespace saver {

class Bitmap;

// 64-bit FNV-1a over the blue, green and red bytes of every pixel, rows
// from the top; a fourth byte of a 32-bit pixel is not part of the picture
// and is left out.
[[nodiscard]] uint64_t FrameHash(const Bitmap& frame);

// One line per style 1 to 150, frame size (landscape, portrait and a tiny one),
// Step and Progress: "style S WxH step T progress P HASH", the hash in 16
// hexadecimal digits. Frames are composed as the tool composes them, with
// the random generator seeded per frame.
void WriteStyleFrameHashes(std::ostream& out);

} // namespace saver
