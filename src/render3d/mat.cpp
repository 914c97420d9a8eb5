#include "render3d/mat.h"

#include <cmath>

#include "common/simd.h"
#include "render3d/sine_table.h"
#include "render3d/vertex_lanes_avx2.h"

void mat_identity(FixMat4* m) {
  for (int i = 0; i < 16; ++i) m->m[i] = (i % 5 == 0) ? FIX_ONE : 0;
}

void mat_translation(FixMat4* m, Fixed x, Fixed y, Fixed z) {
  mat_identity(m);
  m->m[12] = x;
  m->m[13] = y;
  m->m[14] = z;
}

void mat_rotation_x(FixMat4* m, float angle) {
  const Fixed c = fix_from_float(lut_cos(angle));
  const Fixed s = fix_from_float(lut_sin(angle));
  mat_identity(m);
  m->m[5] = c;
  m->m[6] = s;
  m->m[9] = -s;
  m->m[10] = c;
}

void mat_rotation_y(FixMat4* m, float angle) {
  const Fixed c = fix_from_float(lut_cos(angle));
  const Fixed s = fix_from_float(lut_sin(angle));
  mat_identity(m);
  m->m[0] = c;
  m->m[2] = -s;
  m->m[8] = s;
  m->m[10] = c;
}

void mat_rotation_z(FixMat4* m, float angle) {
  const Fixed c = fix_from_float(lut_cos(angle));
  const Fixed s = fix_from_float(lut_sin(angle));
  mat_identity(m);
  m->m[0] = c;
  m->m[1] = s;
  m->m[4] = -s;
  m->m[5] = c;
}

void mat_mul_plain(FixMat4* out, const FixMat4* a, const FixMat4* b) {
  for (int r = 0; r < 4; ++r) {
    const Fixed* ar = &a->m[4 * r];
    for (int c = 0; c < 4; ++c) {
      out->m[4 * r + c] = fix_mul(ar[3], b->m[12 + c]) + fix_mul(ar[2], b->m[8 + c]) +
                          fix_mul(ar[1], b->m[4 + c]) + fix_mul(ar[0], b->m[c]);
    }
  }
}

// Two rows of the product per register: row r in the low half, r + 1 in the
// high one (integer sums wrap, so their order is free).
SIMD_AVX2 void mat_mul_avx2(FixMat4* out, const FixMat4* a, const FixMat4* b) {
  __m256i b_row[4];
  for (int k = 0; k < 4; ++k)
    b_row[k] = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&b->m[4 * k])));
  __m256i rows[2];
  for (int r = 0; r < 4; r += 2) {
    __m256i sum = _mm256_setzero_si256();
    for (int k = 0; k < 4; ++k) {
      const __m256i entries = _mm256_set_m128i(_mm_set1_epi32(a->m[4 * (r + 1) + k]), _mm_set1_epi32(a->m[4 * r + k]));
      sum = _mm256_add_epi32(sum, fix_mul8(entries, b_row[k]));
    }
    rows[r / 2] = sum;
  }
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(&out->m[0]), rows[0]);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(&out->m[8]), rows[1]);
}

namespace {
const auto mat_mul_picked = simd_pick(mat_mul_plain, mat_mul_avx2);
}  // namespace

void mat_mul(FixMat4* out, const FixMat4* a, const FixMat4* b) { mat_mul_picked(out, a, b); }

void mat4f_identity(Mat4f* m) {
  for (int i = 0; i < 16; ++i) m->m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

void mat4f_translation(Mat4f* m, float x, float y, float z) {
  mat4f_identity(m);
  m->m[12] = x;
  m->m[13] = y;
  m->m[14] = z;
}

void mat4f_rotation_y(Mat4f* m, float angle) {
  const float c = static_cast<float>(std::cos(static_cast<double>(angle)));
  const float s = static_cast<float>(std::sin(static_cast<double>(angle)));
  mat4f_identity(m);
  m->m[0] = c;
  m->m[2] = -s;
  m->m[8] = s;
  m->m[10] = c;
}

void mat4f_mul(Mat4f* out, const Mat4f* a, const Mat4f* b) {
  for (int r = 0; r < 4; ++r) {
    const float* ar = &a->m[4 * r];
    for (int c = 0; c < 4; ++c) {
      float sum = ar[0] * b->m[c] + ar[1] * b->m[4 + c];
      sum = sum + ar[2] * b->m[8 + c];
      out->m[4 * r + c] = sum + ar[3] * b->m[12 + c];
    }
  }
}
