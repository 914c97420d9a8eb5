#include "render3d/fixed_math.h"

int32_t trunc_i32(double value) {
  // Written as a range test that NaN fails, so the cast below is always defined.
  if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(value);
}

Fixed fix_from_float(float f) { return trunc_i32(f * 4096.0f); }

float fix_to_float(Fixed a) { return static_cast<float>(a * (1.0 / 4096.0)); }

Fixed fix_from_int(int32_t n) { return static_cast<Fixed>(static_cast<uint32_t>(n) << 12); }

int32_t fix_to_int(Fixed a) { return a >> 12; }

int32_t fix_int_times_float(int32_t n, float f) { return trunc_i32(static_cast<float>(n) * f); }

int32_t int_sqrt(int32_t n) {
  int32_t q = 0;
  int32_t r = n;
  for (int j = 15; j >= 0; --j) {
    const int32_t t = (q + (1 << j)) << j;
    if (r >= t) {
      r -= t;
      q |= 1 << (j + 1);
    }
  }
  return q >> 1;
}

float float_sqrt_coarse(float x) {
  return static_cast<float>(int_sqrt(trunc_i32(x * 256.0f))) * 0.0625f;
}
