#pragma once
// The process-wide pseudo-random generator: a 32-bit linear congruential
// generator, seed := seed * 134775813 + 1 (mod 2^32). Random(n) advances the
// seed and returns the high 32 bits of the 64-bit product seed * n.
//
// The transition effects draw from it on the animation thread while the saver
// window draws from it on the GUI thread, so every access is serialised. The
// sequence seen by a single thread is exactly the unsynchronised one.

#include <cstdint>

namespace saver {

uint32_t RandSeed();
void SetRandSeed(uint32_t seed);

// A value from 0 to n - 1 (n taken as unsigned 32-bit); Random(0) is 0 and
// still advances the seed.
int32_t Random(int32_t n);

// Seeds the generator from the time of day in milliseconds.
void Randomize();

} // namespace saver
