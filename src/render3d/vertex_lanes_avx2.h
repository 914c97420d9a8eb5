#pragma once
// Eight vertices at a time in AVX2 registers. A vertex record is read and
// written as 16-byte rows at a field's offset; four rows of each of eight
// vertices transpose into four vectors with one lane per vertex (vertex k in
// lane k).
#include <immintrin.h>

#include <cstddef>

#include "common/simd.h"
#include "render3d/mat_types.h"
#include "render3d/mesh.h"

constexpr int VERTEX_STRIDE = sizeof(MeshVertex);

struct Rows {
  __m256i a, b, c, d;
};

SIMD_AVX2 inline Rows transpose(Rows r) {
  const __m256i t0 = _mm256_unpacklo_epi32(r.a, r.b), t1 = _mm256_unpacklo_epi32(r.c, r.d);
  const __m256i t2 = _mm256_unpackhi_epi32(r.a, r.b), t3 = _mm256_unpackhi_epi32(r.c, r.d);
  return {_mm256_unpacklo_epi64(t0, t1), _mm256_unpackhi_epi64(t0, t1), _mm256_unpacklo_epi64(t2, t3),
          _mm256_unpackhi_epi64(t2, t3)};
}

// Row k of the 128-bit half h: vertex 4h + k.
SIMD_AVX2 inline __m256i load_pair(const MeshVertex* v, int k, size_t offset) {
  const auto* base = reinterpret_cast<const char*>(v) + offset;
  return _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(base + (4 + k) * VERTEX_STRIDE),
                             reinterpret_cast<const __m128i*>(base + k * VERTEX_STRIDE));
}

// The four 32-bit fields from `offset` of vertices 0-7, one vector each.
SIMD_AVX2 inline Rows load_fields(const MeshVertex* v, size_t offset) {
  return transpose({load_pair(v, 0, offset), load_pair(v, 1, offset), load_pair(v, 2, offset),
                    load_pair(v, 3, offset)});
}

SIMD_AVX2 inline void store_pair(MeshVertex* v, int k, size_t offset, __m256i row) {
  auto* base = reinterpret_cast<char*>(v) + offset;
  _mm256_storeu2_m128i(reinterpret_cast<__m128i*>(base + (4 + k) * VERTEX_STRIDE),
                       reinterpret_cast<__m128i*>(base + k * VERTEX_STRIDE), row);
}

SIMD_AVX2 inline void store_fields(MeshVertex* v, size_t offset, Rows fields) {
  const Rows r = transpose(fields);
  store_pair(v, 0, offset, r.a);
  store_pair(v, 1, offset, r.b);
  store_pair(v, 2, offset, r.c);
  store_pair(v, 3, offset, r.d);
}

// fix_mul lane by lane: the low 32 bits of the 64-bit product shifted by 12
// are its bits 12-43, whichever way the shift fills.
SIMD_AVX2 inline __m256i fix_mul8(__m256i a, __m256i b) {
  const __m256i even = _mm256_srli_epi64(_mm256_mul_epi32(a, b), 12);
  const __m256i odd =
      _mm256_slli_epi64(_mm256_mul_epi32(_mm256_srli_epi64(a, 32), _mm256_srli_epi64(b, 32)), 20);
  return _mm256_blend_epi32(even, odd, 0xAA);
}

// The same with k equal in every lane, so its odd lanes need no shift.
SIMD_AVX2 inline __m256i fix_mul8_by(__m256i a, __m256i k) {
  const __m256i even = _mm256_srli_epi64(_mm256_mul_epi32(a, k), 12);
  const __m256i odd = _mm256_slli_epi64(_mm256_mul_epi32(_mm256_srli_epi64(a, 32), k), 20);
  return _mm256_blend_epi32(even, odd, 0xAA);
}

// Column c of a matrix, each entry in every lane: loaded once per mesh, not
// once per eight vertices.
struct Column8 {
  __m256i x, y, z, t;
};

SIMD_AVX2 inline Column8 column8(const FixMat4& m, int c) {
  return {_mm256_set1_epi32(m.m[c]), _mm256_set1_epi32(m.m[4 + c]), _mm256_set1_epi32(m.m[8 + c]),
          _mm256_set1_epi32(m.m[12 + c])};
}

// mat_apply_column for eight points (integer sums wrap, so their order is free).
SIMD_AVX2 inline __m256i apply_column8(const Column8& m, __m256i x, __m256i y, __m256i z) {
  return _mm256_add_epi32(_mm256_add_epi32(fix_mul8_by(x, m.x), fix_mul8_by(y, m.y)),
                          _mm256_add_epi32(fix_mul8_by(z, m.z), m.t));
}

struct Matrix8 {
  Column8 c[4];
};

SIMD_AVX2 inline Matrix8 matrix8(const FixMat4& m) {
  return {{column8(m, 0), column8(m, 1), column8(m, 2), column8(m, 3)}};
}
