#pragma once
// The star field of scene 1, kept for the whole run (exposed for tests).
#include <cstdint>

#include "common/frame.h"

constexpr int32_t STAR_COUNT = 512;
constexpr int32_t STAR_LEVELS = 16;

// Offsets from the screen centre in pixels; brightness 16 and up shows as 15.
struct Star {
  float x, y, brightness;
};

extern Star stars[STAR_COUNT];
// Grey level i has all four bytes 16 * i.
extern Pixel star_grey[STAR_LEVELS];
