#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "render3d/math.h"

// Quotients either side of the numerator size where the division changes width,
// against the exact 64-bit quotient's low 32 bits.
TEST(FixedMath, DivisionIsTheSameForSmallAndLargeNumerators) {
  const int32_t numerators[] = {0, 1, -1, 4095, (1 << 19) - 1, -(1 << 19) + 1, 1 << 19, -(1 << 19),
                                (1 << 19) + 1, 123456789, -987654321, INT32_MAX, INT32_MIN};
  const int32_t divisors[] = {1, -1, 2, -3, 255, 4096, -4097, 1 << 20, INT32_MAX, INT32_MIN};
  for (int32_t a : numerators) {
    for (int32_t b : divisors) {
      const auto exact = static_cast<int32_t>(static_cast<uint32_t>((int64_t{a} * 4096) / b));
      EXPECT_EQ(fix_div(a, b), exact) << a << " / " << b;
    }
  }
}

TEST(FixedMath, RoundingOfMulDivAndConversions) {
  // Products floor; the low 32 bits of one that does not fit are kept.
  EXPECT_EQ(std::tuple(fix_mul(1, 1), fix_mul(-1, 1), fix_mul(0x40000000, 0x40000000)), std::tuple(0, -1, 0));
  EXPECT_EQ(fix_div(-1, 8192), 0);  // truncation toward zero
  EXPECT_EQ(std::tuple(fix_from_float(-0.00001f), fix_from_float(0.99999f), fix_from_float(-0.5f)), std::tuple(0, 4095, -2048));
  EXPECT_EQ(std::tuple(fix_from_float(1e30f), fix_from_float(NAN)), std::tuple(INT32_MIN, INT32_MIN));  // out of range stays defined
  EXPECT_EQ(std::tuple(fix_to_int(-1), fix_to_int(4095)), std::tuple(-1, 0));
  EXPECT_EQ(std::tuple(fix_int_times_float(32768, 0.5f), fix_int_times_float(32768, -0.00001f)), std::tuple(16384, 0));
}

TEST(FixedMath, TableSineAndCosine) {
  EXPECT_EQ(std::tuple(SINE_TABLE[1], lut_sin(0.0f), lut_sin(static_cast<float>(M_PI / 2)), lut_cos(0.0f)),
            std::tuple(0.024541f, 0.0f, 1.0f, 1.0f));
  // Negative arguments land one table step high: just below 0 reads as exactly 0.
  EXPECT_EQ(lut_sin(-0.024f), 0.0f);
  EXPECT_NEAR(lut_sin(-1.0f), std::sin(-1.0 + 2 * M_PI / 256), 1e-3);
  EXPECT_NEAR(lut_cos(2.0f), std::cos(2.0), 1e-3);
  EXPECT_NEAR(lut_sin(100.0f), std::sin(100.0), 1e-3);  // wraps around the table
}

TEST(FixedMath, SquareRoots) {
  EXPECT_EQ(std::tuple(int_sqrt(1 << 30), int_sqrt(2147483647), int_sqrt(-5)), std::tuple(32768, 46340, 0));
  for (int32_t n = 0; n < 100000; n += 7) {
    const int32_t q = int_sqrt(n);
    ASSERT_TRUE(q * q <= n && (q + 1) * (q + 1) > n) << n;
  }
  EXPECT_EQ(std::tuple(float_sqrt_coarse(2.0f), float_sqrt_coarse(1.0f)), std::tuple(1.375f, 1.0f));
}

TEST(FixedMath, NormalizeLeavesAZeroVectorAlone) {
  FixVec3 v = {0, 0, 0}, w = {8192, 0, 0};
  vec_normalize(&v);
  vec_normalize(&w);
  EXPECT_EQ(std::tuple(v.x, w.x), std::tuple(0, 4096));
  v = {4096, 4096, 4096};
  vec_normalize(&v);
  EXPECT_TRUE(vec_length_sq(v) <= 4096 && vec_length_sq(v) >= 4090) << vec_length_sq(v);
}

// A x B applies A first; a quarter turn about y takes +x to -z. (The fixed
// matrices are pinned by the projection and golden picture tests.)
TEST(FixedMath, FloatMatrixProductOrder) {
  Mat4f fa, fb, fo;
  mat4f_translation(&fa, 1.0f, 2.0f, 3.0f);
  mat4f_rotation_y(&fb, 0.5f);
  mat4f_mul(&fo, &fa, &fb);
  EXPECT_FLOAT_EQ(fo.m[12], 1.0f * std::cos(0.5f) + 3.0f * std::sin(0.5f));
  EXPECT_FLOAT_EQ(fo.m[13], 2.0f);
}
