#pragma once
// State of scene 4 that lives for the whole run (exposed for tests).
#include "common/frame.h"

// The colour bands before the wave bends them; rewritten every frame.
extern Pixel band_buffer[FRAME_PIXELS];
// Smoothed frequency factor and wave height; they carry across scenes.
extern float wave_freq;
extern float wave_level;
