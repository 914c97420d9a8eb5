// Per-pixel colour effects: grey noise and contrast stretch.
#include <immintrin.h>

#include "common/numeric.h"
#include "common/random.h"
#include "image/effects.h"
#include "image/effects_lanes.h"
#include "image/effects_region.h"

namespace {

// One byte of the contrast stretch.
inline uint32_t stretched(int32_t c, float scale, int16_t low) {
  return fx_clamp_byte(static_cast<int16_t>(trunc_to_i32(static_cast<float>(c) * scale - low)));
}

inline Pixel stretched_pixel(Pixel p, float scale, int16_t low) {
  return (p & 0xFF000000u) | stretched(p & 0xFF, scale, low) | stretched((p >> 8) & 0xFF, scale, low) << 8 |
         stretched((p >> 16) & 0xFF, scale, low) << 16;
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

// stretched() for eight bytes in int32 lanes: the same float steps, and the
// processor's truncation, which gives INT32_MIN out of range as
// trunc_to_i32 does.
SIMD_AVX2 inline __m256i stretched8(const Pixel* two_pixels, __m256 scale, __m256 low) {
  const __m256i c = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(two_pixels)));
  __m256i v = _mm256_cvttps_epi32(_mm256_sub_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(c), scale), low));
  v = _mm256_srai_epi32(_mm256_slli_epi32(v, 16), 16);
  return _mm256_min_epi32(_mm256_max_epi32(v, _mm256_setzero_si256()), _mm256_set1_epi32(255));
}

#pragma GCC diagnostic pop

const auto levels = simd_pick(levels_plain, levels_avx2);

}  // namespace

void levels_plain(Pixel* buf, const FxRegion& reg, float scale, int16_t low) {
  // The result depends on the byte alone: one table per call.
  uint32_t table[256];
  for (int c = 0; c < 256; ++c) table[c] = stretched(c, scale, low);
  for (int y = reg.y0; y < reg.y1; ++y) {
    Pixel* row = buf + y * FRAME_W;
    for (int x = reg.x0; x < reg.x1; ++x) {
      const Pixel p = row[x];
      row[x] = (p & 0xFF000000u) | table[p & 0xFF] | table[(p >> 8) & 0xFF] << 8 | table[(p >> 16) & 0xFF] << 16;
    }
  }
}

// Eight pixels at a time, computed rather than looked up.
SIMD_AVX2 void levels_avx2(Pixel* buf, const FxRegion& reg, float scale, int16_t low) {
  const __m256 scale8 = _mm256_set1_ps(scale), low8 = _mm256_set1_ps(low);
  const __m256i alpha = _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u));
  // The packs interleave the 128-bit halves: pixels come out 0 2 4 6 1 3 5 7.
  const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  for (int y = reg.y0; y < reg.y1; ++y) {
    Pixel* row = buf + y * FRAME_W;
    int x = reg.x0;
    for (; x + 8 <= reg.x1; x += 8) {
      const __m256i low_words = _mm256_packus_epi32(stretched8(row + x, scale8, low8), stretched8(row + x + 2, scale8, low8));
      const __m256i high_words = _mm256_packus_epi32(stretched8(row + x + 4, scale8, low8), stretched8(row + x + 6, scale8, low8));
      const __m256i out = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(low_words, high_words), order);
      __m256i* p = reinterpret_cast<__m256i*>(row + x);
      _mm256_storeu_si256(p, _mm256_or_si256(_mm256_andnot_si256(alpha, out), _mm256_and_si256(alpha, _mm256_loadu_si256(p))));
    }
    for (; x < reg.x1; ++x) row[x] = stretched_pixel(row[x], scale, low);
  }
}

void fx_noise(Pixel* buffer, int16_t x0, int16_t y0, int16_t x1, int16_t y1, uint8_t amount) {
  Pixel* buf = fx_target(buffer);
  const FxRegion reg = fx_clamp_region(x0, y0, x1, y1);
  if (amount == 0 || reg.empty()) return;
  for (int y = reg.y0; y < reg.y1; ++y) {
    for (int x = reg.x0; x < reg.x1; ++x) {
      const int32_t n = rand_next() % amount - amount / 2;
      Pixel& p = buf[y * FRAME_W + x];
      Pixel out = p & 0xFF000000u;
      for (int k = 0; k < 24; k += 8) out |= fx_clamp_byte(static_cast<int32_t>((p >> k) & 0xFF) + n) << k;
      p = out;
    }
  }
}

void fx_levels(Pixel* buffer, int16_t x0, int16_t y0, int16_t x1, int16_t y1, int16_t low,
               int16_t high) {
  Pixel* buf = fx_target(buffer);
  const FxRegion reg = fx_clamp_region(x0, y0, x1, y1);
  if (reg.empty()) return;
  const float scale = static_cast<float>(256.0 / (high - low));
  levels(buf, reg, scale, low);
}
