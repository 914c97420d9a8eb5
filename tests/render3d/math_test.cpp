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
  EXPECT_EQ(fix_mul(1, 1), 0);
  EXPECT_EQ(fix_mul(-1, 1), -1);  // floor, not truncation
  EXPECT_EQ(fix_div(-1, 8192), 0);  // truncation toward zero
  EXPECT_EQ(fix_div(FIX_ONE, 3 * FIX_ONE), 1365);
  // Low 32 bits of a product that does not fit.
  EXPECT_EQ(fix_mul(0x40000000, 0x40000000), 0);
  EXPECT_EQ(fix_from_float(-0.00001f), 0);
  EXPECT_EQ(fix_from_float(0.99999f), 4095);
  EXPECT_EQ(fix_from_float(-0.5f), -2048);
  EXPECT_EQ(std::tuple(fix_to_int(-1), fix_to_int(4095)), std::tuple(-1, 0));
  EXPECT_EQ(fix_int_times_float(32768, 0.5f), 16384);
  EXPECT_EQ(fix_int_times_float(32768, -0.00001f), 0);
}

TEST(FixedMath, OutOfRangeFloatsStayDefined) {
  EXPECT_EQ(fix_from_float(1e30f), INT32_MIN);
  EXPECT_EQ(fix_from_float(NAN), INT32_MIN);
  EXPECT_EQ(trunc_i32(-2147483648.0), INT32_MIN);
  EXPECT_EQ(trunc_i32(2147483647.9), INT32_MAX);
}

TEST(FixedMath, TableSineAndCosine) {
  EXPECT_EQ(SINE_TABLE[1], 0.024541f);
  EXPECT_EQ(lut_sin(0.0f), 0.0f);
  EXPECT_EQ(lut_sin(static_cast<float>(M_PI / 2)), 1.0f);
  EXPECT_EQ(lut_cos(0.0f), 1.0f);
  // Negative arguments land one table step high: everything between one
  // step below 0 and 0 reads as exactly 0.
  EXPECT_EQ(lut_sin(-0.01f), 0.0f);
  EXPECT_EQ(lut_sin(-0.024f), 0.0f);
  EXPECT_NEAR(lut_sin(-1.0f), std::sin(-1.0 + 2 * M_PI / 256), 1e-3);
  EXPECT_NEAR(lut_sin(1.0f), std::sin(1.0), 1e-3);
  EXPECT_NEAR(lut_cos(2.0f), std::cos(2.0), 1e-3);
  EXPECT_NEAR(lut_sin(100.0f), std::sin(100.0), 1e-3);  // wraps around the table
}

TEST(FixedMath, SquareRoots) {
  EXPECT_EQ(int_sqrt(1 << 30), 32768);
  EXPECT_EQ(int_sqrt(2147483647), 46340);
  EXPECT_EQ(int_sqrt(-5), 0);
  for (int32_t n = 0; n < 100000; n += 7) {
    const int32_t q = int_sqrt(n);
    ASSERT_TRUE(q * q <= n && (q + 1) * (q + 1) > n) << n;
  }
  EXPECT_EQ(float_sqrt_coarse(2.0f), 1.375f);
  EXPECT_EQ(float_sqrt_coarse(1.0f), 1.0f);
}

TEST(FixedMath, NormalizeLeavesAZeroVectorAlone) {
  FixVec3 v = {0, 0, 0}, w = {8192, 0, 0};
  vec_normalize(&v);
  vec_normalize(&w);
  EXPECT_EQ(std::tuple(v.x, w.x), std::tuple(0, 4096));
  v = {4096, 4096, 4096};
  vec_normalize(&v);
  EXPECT_LE(vec_length_sq(v), 4096);
  EXPECT_GE(vec_length_sq(v), 4090);
}

// A x B applies A first, in fixed and in float matrices; a quarter turn about
// y takes +x to -z.
TEST(FixedMath, MatrixProductOrderAndRotationSign) {
  FixMat4 t, ry, tr;
  mat_translation(&t, FIX_ONE, 0, 0);
  mat_rotation_y(&ry, static_cast<float>(M_PI / 2));
  EXPECT_EQ(std::tuple(ry.m[0], ry.m[2]), std::tuple(0, -4096));
  mat_mul(&tr, &t, &ry);
  EXPECT_EQ(std::tuple(tr.m[12], tr.m[14]), std::tuple(0, -FIX_ONE));

  Mat4f fa, fb, fo;
  mat4f_translation(&fa, 1.0f, 2.0f, 3.0f);
  mat4f_rotation_y(&fb, 0.5f);
  mat4f_mul(&fo, &fa, &fb);
  EXPECT_FLOAT_EQ(fo.m[12], 1.0f * std::cos(0.5f) + 3.0f * std::sin(0.5f));
  EXPECT_FLOAT_EQ(fo.m[13], 2.0f);
}
