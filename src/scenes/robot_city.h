#pragma once
// Pieces of the robot city that other scenes share: the fixed-step clock the
// soft bodies are stepped with, and the 8 x 8 block city.
#include <cstdint>

constexpr int32_t SIM_STEP_MS = 2;
constexpr int32_t SIM_MAX_STEPS = 25;
// The city is built from its own random sequence so it is the same in every
// frame and every run.
constexpr uint32_t CITY_SEED = 5;

// Turns the time carried from earlier frames plus elapsed_ms into whole steps
// of 2 to 3 ms. Returns the uncapped step count and their length in *dt; the
// caller runs at most SIM_MAX_STEPS of them, so a long frame plays in slow
// motion rather than with large unstable steps. Each caller owns its carried
// time (seconds), which is updated in place.
int32_t scene_step_clock(float* carried, int32_t elapsed_ms, float* dt);

// Draws the 64 city blocks with the current camera and DepthBuffer. Takes
// exactly one value of the shared random sequence.
void scene_draw_city();
