#pragma once
// Magnitude spectrum of MUSIC_FFT_SIZE mono samples: Hann window, scaled so
// that a full-scale sine centred on a bin reads 1.0 there.
#include "audio/music_types.h"

void spectrum_compute(const float* mono, float* bins);
