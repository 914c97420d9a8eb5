#include "common/random.h"

namespace {
uint32_t rand_state = 1;
}

int32_t rand_next() {
  rand_state = rand_state * 214013u + 2531011u;
  return static_cast<int32_t>((rand_state >> 16) & 0x7FFF);
}

void rand_seed(uint32_t seed) { rand_state = seed; }
