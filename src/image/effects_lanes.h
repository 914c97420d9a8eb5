#pragma once
// The effects' loop twins: each `_plain` one runs on any x86-64, its `_avx2`
// one gives the same bytes eight lanes at a time. The effects pick one of each
// pair as the program starts; the twins are declared here so tests can run
// both on this machine.
#include <cstdint>

#include "common/frame.h"
#include "common/simd.h"
#include "image/effects_region.h"

// The lens: sample tables for both axes, then every pixel of `in` gathered
// into `out` (a separate frame).
void lens_plain(const Pixel* in, Pixel* out, float a, float b, float c);
SIMD_AVX2 void lens_avx2(const Pixel* in, Pixel* out, float a, float b, float c);

// Contrast stretch of the region's colour bytes: c * scale - low, wrapped to
// 16 bits, clamped to a byte.
void levels_plain(Pixel* buf, const FxRegion& reg, float scale, int16_t low);
SIMD_AVX2 void levels_avx2(Pixel* buf, const FxRegion& reg, float scale, int16_t low);

// Box blur (or sharpen) of a non-empty region with radius r >= 0, across then
// down; radius 0 changes nothing.
void blur_plain(Pixel* buf, const FxRegion& reg, int r, bool sharpen);
SIMD_AVX2 void blur_avx2(Pixel* buf, const FxRegion& reg, int r, bool sharpen);

// Box blur of a non-empty region of 32-bit values with radius r (0 to 255).
void blur_int_plain(int32_t* values, const FxRegion& reg, int r);
SIMD_AVX2 void blur_int_avx2(int32_t* values, const FxRegion& reg, int r);

// Depth shading of the whole frame with the slope k over the depths blurred
// with `radius`.
void depth_shade_plain(Pixel* buf, const int32_t* depth, float k, uint8_t radius);
SIMD_AVX2 void depth_shade_avx2(Pixel* buf, const int32_t* depth, float k, uint8_t radius);
