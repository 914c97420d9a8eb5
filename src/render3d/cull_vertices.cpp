#include "common/simd.h"
#include "render3d/cull_vertices.h"

#include <cstdlib>

#include "render3d/vertex_lanes_avx2.h"

namespace {

constexpr uint32_t ALL_PLANES = 0x3F;  // bit 2c: column c beyond -w; bit 2c + 1: beyond +w

// Vertices [0, count) with the planes still possible; 0 when the proof fails.
uint32_t planes_left(const MeshVertex* v, int32_t count, const FixMat4& m, uint32_t planes) {
  for (int32_t i = 0; i < count; ++i) {
    const int64_t w = mat_apply_column(m, 3, v[i].x, v[i].y, v[i].z);
    if (w >= 1 && w <= BEHIND_W_MAX) continue;
    if (w > -1 || w < -FRONT_W_MAX) return 0;
    uint32_t beyond = 0;
    for (int c = 0; c < 3; ++c) {
      if (!(planes & (3u << (2 * c)))) continue;
      const int64_t value = mat_apply_column(m, c, v[i].x, v[i].y, v[i].z);
      if (std::abs(value) >= NO_WRAP_RATIO * -w) continue;
      if (MARGIN_DEN * value + MARGIN_NUM * w > 0) beyond |= 1u << (2 * c);
      if (-MARGIN_DEN * value + MARGIN_NUM * w > 0) beyond |= 2u << (2 * c);
    }
    planes &= beyond;
    if (planes == 0) return 0;
  }
  return planes;
}

// The planes of all eight lanes.
SIMD_AVX2 inline uint32_t and_lanes(__m256i planes) {
  __m128i p = _mm_and_si128(_mm256_castsi256_si128(planes), _mm256_extracti128_si256(planes, 1));
  p = _mm_and_si128(p, _mm_shuffle_epi32(p, 0x4E));
  p = _mm_and_si128(p, _mm_shuffle_epi32(p, 0xB1));
  return static_cast<uint32_t>(_mm_cvtsi128_si32(p));
}

static_assert(MARGIN_DEN == 64 && MARGIN_NUM == 65 && NO_WRAP_RATIO == 1 << 14);

}  // namespace

bool vertices_hidden_plain(const MeshVertex* v, int32_t count, const FixMat4& m) {
  return planes_left(v, count, m, ALL_PLANES) != 0;
}

// The plain loop's answer does not depend on the order of the vertices, and a
// plane gone from one lane is gone from the answer, so the lanes work out the
// columns whose planes all of them still have. With k = -w in 1 .. 2^22,
// everything fits 32 bits:
//   |c| >= 2^14 k      <=>  |c| / 2^14 (floored) >= k
//   64 c + 65 w > 0    <=>  c > k + k / 64 (floored), as c is whole
//   -64 c + 65 w > 0   <=>  c < -(k + k / 64)
SIMD_AVX2 bool vertices_hidden_avx2(const MeshVertex* v, int32_t count, const FixMat4& m) {
  const Column8 cx = column8(m, 0), cy = column8(m, 1), cz = column8(m, 2), cw = column8(m, 3);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i behind_limit = _mm256_set1_epi32(BEHIND_W_MAX + 1), front_limit = _mm256_set1_epi32(-FRONT_W_MAX - 1);
  __m256i planes = _mm256_set1_epi32(ALL_PLANES);
  uint32_t left = ALL_PLANES;  // the planes every lane still has
  int32_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const Rows p = load_fields(v + i, offsetof(MeshVertex, x));
    const __m256i w = apply_column8(cw, p.a, p.b, p.c);
    const __m256i behind = _mm256_and_si256(_mm256_cmpgt_epi32(w, zero), _mm256_cmpgt_epi32(behind_limit, w));
    const __m256i front = _mm256_and_si256(_mm256_cmpgt_epi32(zero, w), _mm256_cmpgt_epi32(w, front_limit));
    if (_mm256_movemask_epi8(_mm256_or_si256(behind, front)) != -1) {
      _mm256_zeroupper();
      return false;
    }
    const __m256i k = _mm256_sub_epi32(zero, w);
    const __m256i margin = _mm256_add_epi32(k, _mm256_srli_epi32(k, 6));
    const __m256i minus_margin = _mm256_sub_epi32(zero, margin);
    __m256i beyond = zero;
    const Column8* columns[3] = {&cx, &cy, &cz};
    for (int c = 0; c < 3; ++c) {
      if (!(left & (3u << (2 * c)))) continue;
      const __m256i value = apply_column8(*columns[c], p.a, p.b, p.c);
      const __m256i in_range = _mm256_cmpgt_epi32(k, _mm256_srli_epi32(_mm256_abs_epi32(value), 14));
      const __m256i past_minus_w = _mm256_and_si256(in_range, _mm256_cmpgt_epi32(value, margin));
      const __m256i past_w = _mm256_and_si256(in_range, _mm256_cmpgt_epi32(minus_margin, value));
      beyond = _mm256_or_si256(beyond, _mm256_and_si256(past_minus_w, _mm256_set1_epi32(1 << (2 * c))));
      beyond = _mm256_or_si256(beyond, _mm256_and_si256(past_w, _mm256_set1_epi32(2 << (2 * c))));
    }
    planes = _mm256_and_si256(planes, _mm256_or_si256(beyond, _mm256_and_si256(behind, _mm256_set1_epi32(ALL_PLANES))));
    left = and_lanes(planes);
    if (left == 0) {
      _mm256_zeroupper();
      return false;
    }
  }
  _mm256_zeroupper();  // the rest runs plain SSE code
  return planes_left(v + i, count - i, m, left) != 0;
}
