#pragma once
#include <string>

namespace saver {

class Bitmap;

// Writes the bitmap as an 8-bit RGB PNG; throws saver::Exception on failure.
void SavePng(const Bitmap& bitmap, const std::string& path);

} // namespace saver
