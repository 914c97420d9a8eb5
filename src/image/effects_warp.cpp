// Effects that move whole pixels: lens distortion and row tearing. Both
// gather into a fixed scratch frame and copy it back.
#include <immintrin.h>

#include <cstring>

#include "common/numeric.h"
#include "common/random.h"
#include "image/effects.h"
#include "image/effects_lanes.h"
#include "image/effects_region.h"

namespace {

Pixel scratch[FRAME_PIXELS];

// The distance d = float_sqrt_coarse(u^2 + v^2) moves in steps of 1/16, so
// inside the unit circle the magnification has only 16 values.
struct LensTable {
  uint8_t sqrt_step[256];   // int_sqrt(n) for n < 256
  float magnification[16];  // 1 / float_sqrt_coarse(1 - d^2) for d = k / 16
  LensTable() {
    for (int n = 0; n < 256; ++n) sqrt_step[n] = static_cast<uint8_t>(int_sqrt(n));
    for (int k = 0; k < 16; ++k) {
      const float d = static_cast<float>(k) * 0.0625f;
      magnification[k] = 1.0f / float_sqrt_coarse(1.0f - d * d);
    }
  }
};
const LensTable lens_table;

int32_t clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Per column and row: u and v, their squares, and for each of the 16
// magnifications inside the circle (index 16: outside, m = 1) the source
// column and row.
alignas(32) double u_sq[FRAME_W];
double v_sq[FRAME_H];
int32_t src_x[17][FRAME_W];
int32_t src_y[17][FRAME_H];

// One axis of those tables: position i gives t = (i - centre) / s as a
// float, and for each k the source clamp(trunc(float(t * factor[k]) * 120 +
// centre)). Intermediates are wider than float and rounded where a float is
// stored (t, the product): at c = 1 a u just below its exact value then
// samples the left neighbour.
struct LensAxis {
  double s;
  double factor[17];
  int centre, n;
  double* sq;
  int32_t* src;  // [17][n]
};

inline void lens_axis_entry(const LensAxis& ax, int i) {
  const float t = static_cast<float>((i - ax.centre) / ax.s);
  ax.sq[i] = static_cast<double>(t) * t;
  for (int k = 0; k <= 16; ++k) {
    const float st = static_cast<float>(t * ax.factor[k]);
    ax.src[k * ax.n + i] = clamp(trunc_to_i32(st * 120.0 + ax.centre), 0, ax.n - 1);
  }
}

void lens_axis(const LensAxis& ax) {
  for (int i = 0; i < ax.n; ++i) lens_axis_entry(ax, i);
}

// The two axes for a, b and c.
struct LensAxes {
  LensAxis columns, rows;
  LensAxes(float a, float b, float c)
      : columns{static_cast<double>(c) * 120, {}, 120, FRAME_W, u_sq, src_x[0]},
        rows{static_cast<double>(c) * 120, {}, 75, FRAME_H, v_sq, src_y[0]} {
    for (int k = 0; k <= 16; ++k) {
      const float m = k < 16 ? lens_table.magnification[k] : 1.0f;
      columns.factor[k] = static_cast<double>(a) * m + 1.0 - a;
      rows.factor[k] = static_cast<double>(b) * m + 1.0 - b;
    }
  }
};

void lens_gather(const Pixel* in, Pixel* out) {
  for (int y = 0; y < FRAME_H; ++y) {
    for (int x = 0; x < FRAME_W; ++x) {
      // n = trunc((u^2 + v^2) * 256); d = int_sqrt(n) / 16 is below 1 only for n < 256.
      const int32_t n = trunc_to_i32(static_cast<float>(u_sq[x] + v_sq[y]) * 256.0f);
      const int k = n >= 256 ? 16 : (n < 0 ? 0 : lens_table.sqrt_step[n]);
      out[y * FRAME_W + x] = in[src_y[k][y] * FRAME_W + src_x[k][x]];
    }
  }
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

// Four positions at a time, the same double steps; the processor's
// truncation gives INT32_MIN out of range, as trunc_to_i32 does.
SIMD_AVX2 void lens_axis_avx2(const LensAxis& ax) {
  const __m256d s = _mm256_set1_pd(ax.s), centre = _mm256_set1_pd(ax.centre);
  int i = 0;
  for (; i + 4 <= ax.n; i += 4) {
    const __m128i offset = _mm_add_epi32(_mm_set1_epi32(i - ax.centre), _mm_setr_epi32(0, 1, 2, 3));
    const __m256d t = _mm256_cvtps_pd(_mm256_cvtpd_ps(_mm256_div_pd(_mm256_cvtepi32_pd(offset), s)));
    _mm256_storeu_pd(ax.sq + i, _mm256_mul_pd(t, t));
    for (int k = 0; k <= 16; ++k) {
      const __m256d st = _mm256_cvtps_pd(_mm256_cvtpd_ps(_mm256_mul_pd(t, _mm256_set1_pd(ax.factor[k]))));
      const __m128i pos = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_mul_pd(st, _mm256_set1_pd(120.0)), centre));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(ax.src + k * ax.n + i),
                       _mm_min_epi32(_mm_max_epi32(pos, _mm_setzero_si128()), _mm_set1_epi32(ax.n - 1)));
    }
  }
  for (; i < ax.n; ++i) lens_axis_entry(ax, i);
}

// A row's magnification indices eight at a time: the same double sum
// rounded to float, and the processor's truncation, which gives INT32_MIN
// out of range as trunc_to_i32 does. For 0 <= n <= 256 the float root
// truncated is int_sqrt(n) (16 at 256): a root just below an integer m stays
// at least 1 / (2m) away from it, far more than a float step. The pixels
// are then read one by one, which is as fast here as gathering them.
SIMD_AVX2 void lens_gather_avx2(const Pixel* in, Pixel* out) {
  for (int y = 0; y < FRAME_H; ++y) {
    int32_t row_start[17];
    for (int k = 0; k <= 16; ++k) row_start[k] = src_y[k][y] * FRAME_W;
    alignas(32) int32_t ks[FRAME_W];
    const __m256d v = _mm256_set1_pd(v_sq[y]);
    for (int x = 0; x < FRAME_W; x += 8) {
      const __m128 lo = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_load_pd(u_sq + x), v));
      const __m128 hi = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_load_pd(u_sq + x + 4), v));
      const __m256i n = _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_set_m128(hi, lo), _mm256_set1_ps(256.0f)));
      const __m256i inside = _mm256_min_epi32(_mm256_max_epi32(n, _mm256_setzero_si256()), _mm256_set1_epi32(256));
      _mm256_store_si256(reinterpret_cast<__m256i*>(ks + x), _mm256_cvttps_epi32(_mm256_sqrt_ps(_mm256_cvtepi32_ps(inside))));
    }
    Pixel* row = out + y * FRAME_W;
    for (int x = 0; x < FRAME_W; ++x) row[x] = in[row_start[ks[x]] + src_x[ks[x]][x]];
  }
}

#pragma GCC diagnostic pop

const auto lens = simd_pick(lens_plain, lens_avx2);

}  // namespace

void lens_plain(const Pixel* in, Pixel* out, float a, float b, float c) {
  const LensAxes axes(a, b, c);
  lens_axis(axes.columns);
  lens_axis(axes.rows);
  lens_gather(in, out);
}

SIMD_AVX2 void lens_avx2(const Pixel* in, Pixel* out, float a, float b, float c) {
  const LensAxes axes(a, b, c);
  lens_axis_avx2(axes.columns);
  lens_axis_avx2(axes.rows);
  lens_gather_avx2(in, out);
}

void fx_lens(Pixel* buffer, float a, float b, float c) {
  Pixel* buf = fx_target(buffer);
  lens(buf, scratch, a, b, c);
  std::memcpy(buf, scratch, sizeof scratch);
}

void fx_tear(Pixel* buffer, float jump_scale, float settle_scale, int32_t jump_chance,
             int32_t settle_chance) {
  Pixel* buf = fx_target(buffer);
  // A chance of 0 would divide by zero; it is read as 1 (every row).
  if (jump_chance == 0) jump_chance = 1;
  if (settle_chance == 0) settle_chance = 1;
  int32_t pos = 0;
  int32_t cur = 0;
  for (int y = 0; y < FRAME_H; ++y) {
    if (rand_next() % settle_chance == 0) {
      const int32_t t = rand_next() % 16 - 7;
      int32_t n = trunc_to_i32(static_cast<float>(t) * settle_scale);
      if (cur != 0) {
        if (cur < 0 && n < cur) n = cur;
        if (cur > 0 && n > cur) n = cur;
        pos -= n;
        cur -= n;
      }
    }
    if (rand_next() % jump_chance == 0) {
      const int32_t t = rand_next() % 16 - 7;
      cur = trunc_to_i32(static_cast<float>(t) * jump_scale);
      pos += cur;
    }
    if (pos >= FRAME_PIXELS) pos = FRAME_PIXELS - 1;
    Pixel* row = scratch + y * FRAME_W;
    if (pos >= 0 && pos <= FRAME_PIXELS - FRAME_W) {  // no clamping needed
      std::memcpy(row, buf + pos, FRAME_W * sizeof(Pixel));
      pos += FRAME_W;
      continue;
    }
    for (int x = 0; x < FRAME_W; ++x, ++pos) row[x] = buf[clamp(pos, 0, FRAME_PIXELS - 1)];
  }
  std::memcpy(buf, scratch, sizeof scratch);
}
