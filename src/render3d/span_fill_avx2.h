#pragma once
// The span loops eight pixels at a time, for machines with AVX2. Each pixel
// gets exactly what the plain loops in span_fill.h give it: z, u and v step
// by the same wrapping additions, and the same pixels pass, fetch and write.
// Only functions compiled for AVX2 may call these (see raster.cpp).
#include <immintrin.h>

#include "common/simd.h"
#include "render3d/span_fill.h"

#define SPAN_AVX2 SIMD_AVX2 __attribute__((always_inline)) inline

// Everything here is inlined into AVX2 code, so the ABI of passing vectors by
// value (which the compiler warns about) never applies.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace span_avx2 {

SPAN_AVX2 __m256i select(__m256i mask, __m256i if_set, __m256i if_clear) {
  return _mm256_blendv_epi8(if_clear, if_set, mask);
}

// Bytes 0-2 of `channels`, byte 3 of `alpha`.
SPAN_AVX2 __m256i with_alpha_of(__m256i channels, __m256i alpha) {
  const __m256i low = _mm256_set1_epi32(0x00FFFFFF);
  return _mm256_or_si256(_mm256_and_si256(channels, low), _mm256_andnot_si256(low, alpha));
}

// (a * b) >> 8 per byte, both unsigned.
SPAN_AVX2 __m256i multiply_bytes(__m256i a, __m256i b) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i lo = _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(a, zero), _mm256_unpacklo_epi8(b, zero)), 8);
  const __m256i hi = _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(a, zero), _mm256_unpackhi_epi8(b, zero)), 8);
  return _mm256_packus_epi16(lo, hi);
}

}  // namespace span_avx2

// The shared loop: depth test against the buffer and the near distance, texel
// fetch with wrap, colour key; `combine(under, texel)` does the rest for eight
// pixels, given the pixels they land on. Nothing outside the span changes:
// where eight lanes fit in the buffers, whole vectors are loaded and stored
// back with the span's lanes replaced (masked stores are slow on some
// processors); at the very end of the buffers, loads and stores are masked.
// True when some pixel passed the depth test.
template <typename Combine>
SPAN_AVX2 bool span_fill_avx2(const SpanParams* span, Combine combine) {
  const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  const __m256i near = _mm256_set1_epi32(camera.near);
  const __m256i u_mask = _mm256_set1_epi32(span->u_mask), v_mask = _mm256_set1_epi32(span->v_mask);
  const __m128i row_shift = _mm_cvtsi32_si128(span->row_shift);
  const __m256i key = _mm256_set1_epi32(static_cast<int32_t>(COLOR_KEY));
  const int* texels = reinterpret_cast<const int*>(span->texels);
  Pixel* dest = span->dest;
  int32_t* depth = span->depth;
  // Pixel i of the span has z + i * dz (wrapping), as the plain loop's sums do.
  __m256i z = _mm256_add_epi32(_mm256_set1_epi32(span->z), _mm256_mullo_epi32(lane, _mm256_set1_epi32(span->dz)));
  __m256i u = _mm256_add_epi32(_mm256_set1_epi32(span->u), _mm256_mullo_epi32(lane, _mm256_set1_epi32(span->du)));
  __m256i v = _mm256_add_epi32(_mm256_set1_epi32(span->v), _mm256_mullo_epi32(lane, _mm256_set1_epi32(span->dv)));
  const __m256i z_step = _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(span->dz) * 8u));
  const __m256i u_step = _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(span->du) * 8u));
  const __m256i v_step = _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(span->dv) * 8u));
  __m256i reached = _mm256_setzero_si256();
  for (int32_t i = 0; i < span->count; i += 8) {
    const __m256i inside = _mm256_cmpgt_epi32(_mm256_set1_epi32(span->count - i), lane);
    const bool whole = span->room - i >= 8;
    int* depth_at = reinterpret_cast<int*>(depth + i);
    const __m256i old_depth = whole ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(depth_at))
                                    : _mm256_maskload_epi32(depth_at, inside);
    const __m256i passes = _mm256_and_si256(_mm256_andnot_si256(_mm256_cmpgt_epi32(z, old_depth), inside),
                                            _mm256_cmpgt_epi32(z, near));
    if (!_mm256_testz_si256(passes, passes)) {
      reached = _mm256_or_si256(reached, passes);
      const __m256i row = _mm256_sll_epi32(_mm256_and_si256(_mm256_srai_epi32(v, 12), v_mask), row_shift);
      const __m256i index = _mm256_add_epi32(row, _mm256_and_si256(_mm256_srai_epi32(u, 12), u_mask));
      const __m256i texel = _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), texels, index, passes, 4);
      const __m256i writes = _mm256_andnot_si256(_mm256_cmpeq_epi32(texel, key), passes);
      int* dest_at = reinterpret_cast<int*>(dest + i);
      if (whole) {
        const __m256i old = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dest_at));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dest_at), span_avx2::select(writes, combine(old, texel), old));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(depth_at), span_avx2::select(writes, z, old_depth));
      } else {
        _mm256_maskstore_epi32(dest_at, writes, combine(_mm256_maskload_epi32(dest_at, writes), texel));
        _mm256_maskstore_epi32(depth_at, writes, z);
      }
    }
    z = _mm256_add_epi32(z, z_step);
    u = _mm256_add_epi32(u, u_step);
    v = _mm256_add_epi32(v, v_step);
  }
  return !_mm256_testz_si256(reached, reached);
}

SPAN_AVX2 bool span_fill_opaque_avx2(const SpanParams* span) {
  return span_fill_avx2(span, [](__m256i, __m256i texel) SIMD_AVX2 { return texel; });
}

SPAN_AVX2 bool span_fill_multiply_avx2(const SpanParams* span) {
  return span_fill_avx2(span, [](__m256i d, __m256i texel) SIMD_AVX2 {
    return span_avx2::with_alpha_of(span_avx2::multiply_bytes(d, texel), d);
  });
}

SPAN_AVX2 bool span_fill_alpha_avx2(const SpanParams* span) {
  return span_fill_avx2(span, [](__m256i d, __m256i texel) SIMD_AVX2 {
    // Each pixel's alpha in all four of its bytes, and 255 - alpha.
    const __m256i spread = _mm256_setr_epi8(3, 3, 3, 3, 7, 7, 7, 7, 11, 11, 11, 11, 15, 15, 15, 15,
                                            3, 3, 3, 3, 7, 7, 7, 7, 11, 11, 11, 11, 15, 15, 15, 15);
    const __m256i a = _mm256_shuffle_epi8(texel, spread);
    const __m256i rest = _mm256_sub_epi8(_mm256_set1_epi8(-1), a);
    // (t * a + d * (255 - a)) >> 8 stays below 2^16 per channel.
    const __m256i zero = _mm256_setzero_si256();
    const auto blend_half = [&](__m256i t16, __m256i d16, __m256i a16, __m256i rest16) SIMD_AVX2 {
      return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(t16, a16), _mm256_mullo_epi16(d16, rest16)), 8);
    };
    const __m256i lo = blend_half(_mm256_unpacklo_epi8(texel, zero), _mm256_unpacklo_epi8(d, zero),
                                  _mm256_unpacklo_epi8(a, zero), _mm256_unpacklo_epi8(rest, zero));
    const __m256i hi = blend_half(_mm256_unpackhi_epi8(texel, zero), _mm256_unpackhi_epi8(d, zero),
                                  _mm256_unpackhi_epi8(a, zero), _mm256_unpackhi_epi8(rest, zero));
    const __m256i blended = span_avx2::with_alpha_of(_mm256_packus_epi16(lo, hi), texel);
    const __m256i opaque = _mm256_cmpeq_epi32(_mm256_srli_epi32(texel, 24), _mm256_set1_epi32(255));
    return span_avx2::select(opaque, texel, blended);
  });
}

#undef SPAN_AVX2
#pragma GCC diagnostic pop
