#pragma once
// How many values of the shared random sequence a scene took, found by replaying it.
#include <cstdint>

#include "common/random.h"

// Seeded with `seed` before the call, the generator stands where `draws` values
// and a reseed with the last of them leave it (as the city does).
inline bool took_then_reseeded(uint32_t seed, int32_t draws) {
  int32_t observed = rand_next();
  rand_seed(seed);
  int32_t last = 0;
  for (int32_t i = 0; i < draws; ++i) last = rand_next();
  rand_seed(static_cast<uint32_t>(last));
  return observed == rand_next();
}

// Seeded with `seed` before the call, the generator stands after `draws` values.
inline bool took(uint32_t seed, int32_t draws) {
  int32_t observed = rand_next();
  rand_seed(seed);
  for (int32_t i = 0; i < draws; ++i) rand_next();
  return observed == rand_next();
}
