#pragma once
// For each 15-bit colour (a cube of 8 x 8 x 8 true colours), the palette
// colours that can be the nearest one to some colour inside it. Lets the
// converter's nearest-colour search skip the rest without changing a result.
#include <cstdint>

#include "display/lookup_tables.h"

struct NearestCandidates {
  uint16_t mask[COLOR_CODES];  // bit c: palette colour c
  NearestCandidates();
};
extern const NearestCandidates NEAREST_CANDIDATES;
