#pragma once
// Float-to-integer conversion as the show defines it: truncation toward zero,
// and, like the processor's own conversion, INT32_MIN for NaN or values that do
// not fit (a plain cast would be undefined behaviour there).
#include <cstdint>

constexpr int32_t trunc_to_i32(double value) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(value);
}
