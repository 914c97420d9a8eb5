#include "image/blit.h"

#include <immintrin.h>

#include <cstring>

#include "image/blit_lanes.h"

namespace {

// Four (with AVX2 eight) pixels at a time in 16-bit lanes: every product and
// the sum s * a + d * (255 - a) stay within 255 * 255, so the lanes never
// wrap and give the same bytes as the per-channel formula.
using Bytes16 = uint8_t __attribute__((vector_size(16)));
using Words8 = uint16_t __attribute__((vector_size(16)));
using Bytes8 = uint8_t __attribute__((vector_size(8)));

inline Words8 widen(Bytes8 v) { return __builtin_convertvector(v, Words8); }

// Two pixels' alpha spread over their colour lanes; the alpha lanes get 0 so
// the frame's alpha byte passes through unchanged.
inline Words8 alpha_lanes(Words8 s) {
  const Words8 colour_lanes = {0xFFFF, 0xFFFF, 0xFFFF, 0, 0xFFFF, 0xFFFF, 0xFFFF, 0};
  return __builtin_shufflevector(s, s, 3, 3, 3, 3, 7, 7, 7, 7) & colour_lanes;
}

inline Words8 blend_two(Words8 s, Words8 d) {
  const Words8 a = alpha_lanes(s);
  const Words8 colour = (s * a + d * (255 - a)) >> 8;
  // Alpha 0 keeps the frame pixel (the formula would darken it); so do the
  // frame's alpha lanes.
  const Words8 keep = (a == 0);
  return (d & keep) | (colour & ~keep);
}

inline void blend_four(const Pixel* src, Pixel* dst) {
  Bytes16 s, d;
  std::memcpy(&s, src, sizeof s);
  std::memcpy(&d, dst, sizeof d);
  const Words8 lo = blend_two(widen(__builtin_shufflevector(s, s, 0, 1, 2, 3, 4, 5, 6, 7)),
                              widen(__builtin_shufflevector(d, d, 0, 1, 2, 3, 4, 5, 6, 7)));
  const Words8 hi = blend_two(widen(__builtin_shufflevector(s, s, 8, 9, 10, 11, 12, 13, 14, 15)),
                              widen(__builtin_shufflevector(d, d, 8, 9, 10, 11, 12, 13, 14, 15)));
  const Bytes8 out_lo = __builtin_convertvector(lo, Bytes8), out_hi = __builtin_convertvector(hi, Bytes8);
  const Bytes16 out = __builtin_shufflevector(out_lo, out_hi, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  std::memcpy(dst, &out, sizeof out);
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

// blend_two for four pixels (two in each 128-bit half).
SIMD_AVX2 inline __m256i blend_four_lanes(__m256i s, __m256i d) {
  const __m256i colour_lanes = _mm256_set1_epi64x(0x0000FFFFFFFFFFFF);
  const __m256i a = _mm256_and_si256(_mm256_shufflehi_epi16(_mm256_shufflelo_epi16(s, 0xFF), 0xFF), colour_lanes);
  const __m256i na = _mm256_sub_epi16(_mm256_set1_epi16(255), a);
  const __m256i colour = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(s, a), _mm256_mullo_epi16(d, na)), 8);
  return _mm256_blendv_epi8(colour, d, _mm256_cmpeq_epi16(a, _mm256_setzero_si256()));
}

SIMD_AVX2 inline void blend_eight(const Pixel* src, Pixel* dst) {
  const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
  const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst));
  const __m256i zero = _mm256_setzero_si256();
  const __m256i lo = blend_four_lanes(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero));
  const __m256i hi = blend_four_lanes(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), _mm256_packus_epi16(lo, hi));
}

#pragma GCC diagnostic pop

inline void blend_one(Pixel s, Pixel* dst) {
  const uint32_t a = s >> 24;
  if (a == 0) return;
  const Pixel d = *dst;
  Pixel out = d & 0xFF000000u;
  for (int k = 0; k < 24; k += 8) {
    out |= ((((s >> k) & 0xFF) * a + ((d >> k) & 0xFF) * (255 - a)) >> 8) << k;
  }
  *dst = out;
}

const auto blend_row = simd_pick(blend_row_plain, blend_row_avx2);

}  // namespace

void blend_row_plain(const Pixel* src, Pixel* dst, int32_t begin, int32_t end) {
  int32_t col = begin;
  for (; col + 4 <= end; col += 4) blend_four(src + col, dst + col);
  for (; col < end; ++col) blend_one(src[col], dst + col);
}

SIMD_AVX2 void blend_row_avx2(const Pixel* src, Pixel* dst, int32_t begin, int32_t end) {
  int32_t col = begin;
  for (; col + 8 <= end; col += 8) blend_eight(src + col, dst + col);
  for (; col < end; ++col) blend_one(src[col], dst + col);
}

void img_blit(const Image* image, int32_t x, int32_t y) {
  const int32_t width = image->width;
  const int32_t height = image->height;
  if (!image->pixels) return;
  if (x + width < 0 || y + height < 0 || x > FRAME_W || y > FRAME_H) return;
  const int32_t first_row = y < 0 ? -y : 0;
  if (static_cast<int64_t>(first_row) * width >= static_cast<int64_t>(width) * height) return;
  // Columns that land inside the frame.
  const int32_t col_begin = x < 0 ? -x : 0;
  const int32_t col_end = x + width > FRAME_W ? FRAME_W - x : width;
  for (int32_t row = first_row; row < height && y + row < FRAME_H; ++row) {
    const Pixel* src = image->pixels + row * width;
    Pixel* dst = frame_buffer + (y + row) * FRAME_W + x;
    blend_row(src, dst, col_begin, col_end);
  }
}
