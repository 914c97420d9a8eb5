#pragma once
// resample_frame as its two twins (plain x86-64 and AVX2), which give the
// same bytes; the resampler picks one at start-up. Declared here so the tests
// can run both. They share the weights and the lines kept between frames.
#include "common/frame.h"

void resample_frame_plain(const Pixel* frame, Pixel* out);
void resample_frame_avx2(const Pixel* frame, Pixel* out);
