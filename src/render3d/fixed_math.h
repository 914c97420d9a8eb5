#pragma once
// Fixed-point numbers of the renderer: signed 32-bit, 12 fraction bits.
// All arithmetic wraps; nothing saturates.
#include <cstdint>

#include "common/numeric.h"

using Fixed = int32_t;

constexpr Fixed FIX_ONE = 4096;

// f * 4096, truncated toward zero.
inline Fixed fix_from_float(float f) { return trunc_to_i32(f * 4096.0f); }
// a / 4096.
inline float fix_to_float(Fixed a) { return static_cast<float>(a * (1.0 / 4096.0)); }
// n << 12, wrapping.
inline Fixed fix_from_int(int32_t n) { return static_cast<Fixed>(static_cast<uint32_t>(n) << 12); }
// floor(a / 4096).
inline int32_t fix_to_int(Fixed a) { return a >> 12; }

// Exact 64-bit product shifted right by 12 (floor), low 32 bits.
inline Fixed fix_mul(Fixed a, Fixed b) {
  return static_cast<Fixed>(static_cast<uint32_t>((static_cast<int64_t>(a) * b) >> 12));
}
// a * 4096 / b truncated toward zero, low 32 bits; b must not be 0.
inline Fixed fix_div(Fixed a, Fixed b) {
  // The common small numerator fits a 32-bit division, which is cheaper and
  // gives the same quotient.
  constexpr Fixed SMALL = Fixed{1} << 19;
  if (a > -SMALL && a < SMALL) return (a * 4096) / b;
  return static_cast<Fixed>(static_cast<uint32_t>((static_cast<int64_t>(a) * 4096) / b));
}

// n * f truncated toward zero; turns a float texture coordinate into 1/32768 units.
inline int32_t fix_int_times_float(int32_t n, float f) { return trunc_to_i32(static_cast<float>(n) * f); }
