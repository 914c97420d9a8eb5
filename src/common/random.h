#pragma once
// The one pseudo-random sequence the whole show draws from (frame flicker,
// scenes, noise, tearing). Its exact values matter: the city layout and every
// random choice depend on this generator and on the order of the draws.
#include <cstdint>

constexpr int32_t RAND_LIMIT = 0x7FFF;

// Next value, 0..32767: state = state * 214013 + 2531011, (state >> 16) & 0x7FFF.
int32_t rand_next();
// Restarts the sequence; the program starts as if seeded with 1.
void rand_seed(uint32_t seed);
