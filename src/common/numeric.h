#pragma once
// Float-to-integer conversion as the show defines it: truncation toward zero,
// and, like the processor's own conversion, INT32_MIN for NaN or values that do
// not fit (a plain cast would be undefined behaviour there).
#include <cstdint>

constexpr int32_t trunc_to_i32(double value) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(value);
}

// floor(sqrt(n)) for n >= 0, 0 for negative n; bit by bit, no division.
int32_t int_sqrt(int32_t n);
// Square root of x in steps of 1/16: int_sqrt(trunc(x * 256)) / 16.
float float_sqrt_coarse(float x);

// The depth of a pixel nothing was drawn on: the renderer clears its depth
// buffer to it, and the depth effects leave such pixels alone.
constexpr int32_t DEPTH_CLEAR = 0x7FFFFFFF;
