#include "common/simd.h"
#include "render3d/vertex_batch.h"

#include "render3d/outcode.h"
#include "render3d/vertex_lanes_avx2.h"

namespace {

void turn_normal(MeshVertex& v, const FixMat4& n) {
  v.vnx = mat_apply_column(n, 0, v.nx, v.ny, v.nz);
  v.vny = mat_apply_column(n, 1, v.nx, v.ny, v.nz);
  v.vnz = mat_apply_column(n, 2, v.nx, v.ny, v.nz);
}

// 32 / w: the numerator 32 x 4096 keeps fix_div on its 32-bit division.
constexpr Fixed INVERSE_SCALE = 32 * FIX_ONE;
constexpr Fixed SCREEN_HALF_W = 120, SCREEN_HALF_H = 75;

// fix_div(INVERSE_SCALE, w), 0 for w = 0. In double the quotient 2^29 / w is
// rounded by far less than its distance to the next integer, so truncating
// it gives the integer division's result.
SIMD_AVX2 inline __m256i inverse_scale8(__m256i w) {
  const __m256d numerator = _mm256_set1_pd(static_cast<double>(INVERSE_SCALE) * FIX_ONE);
  const __m128i lo = _mm256_cvttpd_epi32(_mm256_div_pd(numerator, _mm256_cvtepi32_pd(_mm256_castsi256_si128(w))));
  const __m128i hi = _mm256_cvttpd_epi32(_mm256_div_pd(numerator, _mm256_cvtepi32_pd(_mm256_extracti128_si256(w, 1))));
  const __m256i g = _mm256_set_m128i(hi, lo);
  return _mm256_andnot_si256(_mm256_cmpeq_epi32(w, _mm256_setzero_si256()), g);
}

// Bit `bit` where a < b.
SIMD_AVX2 inline __m256i bit_if_less(__m256i a, __m256i b, int32_t bit) {
  return _mm256_and_si256(_mm256_cmpgt_epi32(b, a), _mm256_set1_epi32(bit));
}

SIMD_AVX2 inline Rows turn_normals8(const MeshVertex* v, const Matrix8& n) {
  const Rows normal = load_fields(v, offsetof(MeshVertex, nx));
  return {apply_column8(n.c[0], normal.a, normal.b, normal.c), apply_column8(n.c[1], normal.a, normal.b, normal.c),
          apply_column8(n.c[2], normal.a, normal.b, normal.c), _mm256_setzero_si256()};
}

// Writes vnx, vny, vnz, the clip code and `behind` of eight vertices: two
// overlapping rows, the second ending at `behind`.
SIMD_AVX2 inline void store_normal_and_codes(MeshVertex* v, Rows normal, __m256i outcode,
                                                                   __m256i behind) {
  static_assert(offsetof(MeshVertex, outcode) == offsetof(MeshVertex, vnx) + 12 &&
                offsetof(MeshVertex, behind) == offsetof(MeshVertex, vny) + 12);
  store_fields(v, offsetof(MeshVertex, vnx), {normal.a, normal.b, normal.c, outcode});
  store_fields(v, offsetof(MeshVertex, vny), {normal.b, normal.c, outcode, behind});
}

}  // namespace

void transform_vertices_plain(MeshVertex* vertices, int32_t count, const FixMat4& m, const FixMat4& n) {
  for (int32_t i = 0; i < count; ++i) {
    MeshVertex& v = vertices[i];
    const Fixed x = mat_apply_column(m, 0, v.x, v.y, v.z);
    const Fixed y = mat_apply_column(m, 1, v.x, v.y, v.z);
    const Fixed z = mat_apply_column(m, 2, v.x, v.y, v.z);
    const Fixed w = mat_apply_column(m, 3, v.x, v.y, v.z);
    turn_normal(v, n);
    // g = 32 / w: one division, then three multiplications.
    const Fixed g = w != 0 ? fix_div(INVERSE_SCALE, w) : 0;
    v.tx = fix_mul(x, g) >> 5;
    v.ty = fix_mul(y, g) >> 5;
    v.tz = fix_mul(z, g) >> 5;
    v.tw = FIX_ONE;
    v.behind = g > 0 ? -1 : 0;
    clip_outcode(&v);
    v.tx = fix_from_int(SCREEN_HALF_W) - v.tx * SCREEN_HALF_W;
    v.ty = v.ty * SCREEN_HALF_H + fix_from_int(SCREEN_HALF_H);
    v.tz = static_cast<int32_t>(static_cast<uint32_t>(INVERSE_SCALE - v.tz) << 13);
  }
}

SIMD_AVX2 void transform_vertices_avx2(MeshVertex* v, int32_t count, const FixMat4& clip,
                                                             const FixMat4& normal_turn) {
  const Matrix8 m = matrix8(clip), n = matrix8(normal_turn);
  const __m256i one = _mm256_set1_epi32(FIX_ONE), minus_one = _mm256_set1_epi32(-FIX_ONE);
  int32_t i = 0;
  for (; i + 8 <= count; i += 8, v += 8) {
    const Rows p = load_fields(v, offsetof(MeshVertex, x));
    const __m256i w = apply_column8(m.c[3], p.a, p.b, p.c);
    const __m256i g = inverse_scale8(w);
    const __m256i x = _mm256_srai_epi32(fix_mul8(apply_column8(m.c[0], p.a, p.b, p.c), g), 5);
    const __m256i y = _mm256_srai_epi32(fix_mul8(apply_column8(m.c[1], p.a, p.b, p.c), g), 5);
    const __m256i z = _mm256_srai_epi32(fix_mul8(apply_column8(m.c[2], p.a, p.b, p.c), g), 5);
    const Rows normal = turn_normals8(v, n);
    const __m256i code = _mm256_or_si256(
        _mm256_or_si256(_mm256_or_si256(bit_if_less(x, minus_one, OUTCODE_LEFT), bit_if_less(one, x, OUTCODE_RIGHT)),
                        _mm256_or_si256(bit_if_less(y, minus_one, OUTCODE_BOTTOM), bit_if_less(one, y, OUTCODE_TOP))),
        _mm256_or_si256(bit_if_less(z, minus_one, OUTCODE_FAR), bit_if_less(one, z, OUTCODE_NEAR)));
    const __m256i old_code = load_fields(v, offsetof(MeshVertex, vnx)).d;
    const __m256i outcode = _mm256_or_si256(_mm256_andnot_si256(_mm256_set1_epi32(0xFF), old_code), code);
    const __m256i behind = _mm256_cmpgt_epi32(g, _mm256_setzero_si256());
    const __m256i sx = _mm256_sub_epi32(_mm256_set1_epi32(fix_from_int(SCREEN_HALF_W)),
                                        _mm256_mullo_epi32(x, _mm256_set1_epi32(SCREEN_HALF_W)));
    const __m256i sy = _mm256_add_epi32(_mm256_mullo_epi32(y, _mm256_set1_epi32(SCREEN_HALF_H)),
                                        _mm256_set1_epi32(fix_from_int(SCREEN_HALF_H)));
    const __m256i sz = _mm256_slli_epi32(_mm256_sub_epi32(_mm256_set1_epi32(INVERSE_SCALE), z), 13);
    store_fields(v, offsetof(MeshVertex, tx), {sx, sy, sz, one});
    store_normal_and_codes(v, normal, outcode, behind);
  }
  _mm256_zeroupper();  // the rest runs plain SSE code
  transform_vertices_plain(v, count - i, clip, normal_turn);
}

void transform_like_plain(MeshVertex* vertices, const MeshVertex* from, int32_t count, const FixMat4& n) {
  for (int32_t i = 0; i < count; ++i) {
    MeshVertex& v = vertices[i];
    v.tx = from[i].tx;
    v.ty = from[i].ty;
    v.tz = from[i].tz;
    v.tw = from[i].tw;
    v.behind = from[i].behind;
    v.outcode = (v.outcode & ~0xFF) | (from[i].outcode & 0xFF);
    turn_normal(v, n);
  }
}

SIMD_AVX2 void transform_like_avx2(MeshVertex* v, const MeshVertex* from, int32_t count,
                                                         const FixMat4& normal_turn) {
  const Matrix8 n = matrix8(normal_turn);
  const __m256i low_byte = _mm256_set1_epi32(0xFF);
  int32_t i = 0;
  for (; i + 8 <= count; i += 8, v += 8, from += 8) {
    const Rows codes = load_fields(from, offsetof(MeshVertex, vny));
    const __m256i own_code = load_fields(v, offsetof(MeshVertex, vny)).c;
    const __m256i outcode = _mm256_or_si256(_mm256_andnot_si256(low_byte, own_code), _mm256_and_si256(codes.c, low_byte));
    const Rows normal = turn_normals8(v, n);
    // tx, ty, tz, tw: one row each, copied as it is.
    for (int k = 0; k < 8; ++k)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(&v[k].tx), _mm_loadu_si128(reinterpret_cast<const __m128i*>(&from[k].tx)));
    store_normal_and_codes(v, normal, outcode, codes.d);
  }
  _mm256_zeroupper();  // the rest runs plain SSE code
  transform_like_plain(v, from, count - i, normal_turn);
}

void env_map_plain(MeshVertex* vertices, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    MeshVertex& v = vertices[i];
    const float u = fix_to_float(v.vnx) * 0.5f + 0.5f;
    const float t = 0.5f - fix_to_float(v.vny) * 0.5f;
    v.u = fix_int_times_float(UV_ONE, u);
    v.v = fix_int_times_float(UV_ONE, t);
  }
}

// fix_to_float scales the int exactly in double and rounds once to float, as
// rounding to float first and then scaling by the power of two does. The
// truncating conversion gives INT32_MIN for NaN or a value out of range, as
// trunc_to_i32 does.
SIMD_AVX2 void env_map_avx2(MeshVertex* v, int32_t count) {
  const __m256 scale = _mm256_set1_ps(1.0f / FIX_ONE), half = _mm256_set1_ps(0.5f);
  const __m256 uv_one = _mm256_set1_ps(static_cast<float>(UV_ONE));
  int32_t i = 0;
  for (; i + 8 <= count; i += 8, v += 8) {
    const Rows normal = load_fields(v, offsetof(MeshVertex, vnx));
    const __m256 nx = _mm256_mul_ps(_mm256_cvtepi32_ps(normal.a), scale);
    const __m256 ny = _mm256_mul_ps(_mm256_cvtepi32_ps(normal.b), scale);
    const __m256 u = _mm256_add_ps(_mm256_mul_ps(nx, half), half);
    const __m256 t = _mm256_sub_ps(half, _mm256_mul_ps(ny, half));
    Rows uv = load_fields(v, offsetof(MeshVertex, u));
    uv.a = _mm256_cvttps_epi32(_mm256_mul_ps(uv_one, u));
    uv.b = _mm256_cvttps_epi32(_mm256_mul_ps(uv_one, t));
    store_fields(v, offsetof(MeshVertex, u), uv);
  }
  _mm256_zeroupper();  // the rest runs plain SSE code
  env_map_plain(v, count - i);
}
