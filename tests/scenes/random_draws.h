#pragma once
// Checks on how many values of the shared random sequence a scene took. Each
// reads the generator's next value first, then replays the sequence.
#include <cstdint>

#include "common/random.h"

// The generator, seeded with `seed` before the call under test, now stands
// where `draws` values followed by a reseed with the last of them leave it
// (as the city does).
inline bool took_then_reseeded(uint32_t seed, int32_t draws) {
  int32_t observed = rand_next();
  rand_seed(seed);
  int32_t last = 0;
  for (int32_t i = 0; i < draws; ++i) last = rand_next();
  rand_seed(static_cast<uint32_t>(last));
  return observed == rand_next();
}

// The generator, seeded with `seed` before the call under test, now stands
// where `draws` plain values leave it.
inline bool took(uint32_t seed, int32_t draws) {
  int32_t observed = rand_next();
  rand_seed(seed);
  for (int32_t i = 0; i < draws; ++i) rand_next();
  return observed == rand_next();
}
