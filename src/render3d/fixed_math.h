#pragma once
// Fixed-point numbers of the renderer: signed 32-bit, 12 fraction bits.
// All arithmetic wraps; nothing saturates.
#include <cstdint>

using Fixed = int32_t;

constexpr Fixed FIX_ONE = 4096;

// Float or double to int32 truncating toward zero. Values that do not fit
// (and NaN) give INT32_MIN, as the x86 conversion instruction does, so odd
// input data stays defined behaviour.
int32_t trunc_i32(double value);

Fixed fix_from_float(float f);   // f * 4096, truncated toward zero
float fix_to_float(Fixed a);     // a / 4096
Fixed fix_from_int(int32_t n);   // n << 12, wrapping
int32_t fix_to_int(Fixed a);     // floor(a / 4096)

// Exact 64-bit product shifted right by 12 (floor), low 32 bits.
inline Fixed fix_mul(Fixed a, Fixed b) {
  return static_cast<Fixed>(static_cast<uint32_t>((static_cast<int64_t>(a) * b) >> 12));
}
// a * 4096 / b truncated toward zero, low 32 bits; b must not be 0.
inline Fixed fix_div(Fixed a, Fixed b) {
  return static_cast<Fixed>(static_cast<uint32_t>((static_cast<int64_t>(a) * 4096) / b));
}

// n * f truncated toward zero; turns a float texture coordinate into 1/32768 units.
int32_t fix_int_times_float(int32_t n, float f);

// floor(sqrt(n)) for n >= 0, 0 for negative n; bit by bit, no division.
int32_t int_sqrt(int32_t n);
// Square root of x in steps of 1/16: int_sqrt(trunc(x * 256)) / 16.
float float_sqrt_coarse(float x);
