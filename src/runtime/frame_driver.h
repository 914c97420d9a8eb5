#pragma once
// Turns a demo time into one presented frame: tracks -> scene -> effects ->
// overlay and greetings -> sharpen -> console.
#include <cstdint>

#include "sync/time_grid.h"

constexpr double FLICKER_DIVISOR = 36043.69921875;
constexpr int32_t SCENE_END = -1;

struct FrameValues {
  int32_t scene;
  int32_t part;
  float time;
  float var;
  int32_t overlay;  // -1: hidden this frame
  int32_t greet;    // -1: hidden this frame
};

void demo_frame(int32_t t);

// The values demo_frame used for its last frame (for statistics and tests).
const FrameValues& demo_frame_values();

// The track values at a row, with the flicker rule's two random draws.
FrameValues demo_evaluate_tracks(float row);
