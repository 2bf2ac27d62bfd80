#pragma once
#include <cstdint>

namespace saver {

// The platform's multiply-then-divide: a * b with a 64-bit intermediate,
// divided by c and rounded to the nearest integer, halves away from zero.
// A zero divisor, or a result outside the 32-bit range, returns -1.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);

} // namespace saver
