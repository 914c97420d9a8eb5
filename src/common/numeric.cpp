#include "common/numeric.h"

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
  return static_cast<float>(int_sqrt(trunc_to_i32(x * 256.0f))) * 0.0625f;
}
