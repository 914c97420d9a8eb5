// Box blur of signed 32-bit values with running window sums, as the byte
// blur does it.
#include <immintrin.h>

#include <algorithm>
#include <cstring>

#include "image/effects.h"
#include "image/effects_lanes.h"
#include "image/effects_region.h"

namespace {

// The pass input of the vertical pass (the horizontal pass's result).
int32_t scratch_values[FRAME_PIXELS];
int32_t line_values[FRAME_W];

// Integer window sums held in doubles: they stay below 2^40 (511 int32
// values), so every sum is exact, and trunc(sum / count) of a correctly
// rounded quotient is the integer quotient (rounding could only reach the
// next integer for sums near 2^53). Pairs of lanes let the divisions and
// conversions run two at a time.
using Doubles2 = double __attribute__((vector_size(16)));
using Ints2 = int32_t __attribute__((vector_size(8)));

double line_sums[FRAME_W];
double line_counts[FRAME_W];
double column_sums[FRAME_W];
double column_counts[FRAME_W];

// out[x] = trunc(sums[x] / counts[x]) for x < w.
inline void store_means(int32_t* out, const double* sums, const double* counts, int w) {
  int x = 0;
  for (; x + 2 <= w; x += 2) {
    Doubles2 s, c;
    std::memcpy(&s, sums + x, sizeof s);
    std::memcpy(&c, counts + x, sizeof c);
    const Ints2 q = __builtin_convertvector(s / c, Ints2);
    std::memcpy(out + x, &q, sizeof q);
  }
  if (x < w) out[x] = static_cast<int32_t>(sums[x] / counts[x]);
}

// Adds (sign 1) or removes (-1) one row of values to the column sums.
inline void add_values_to_columns(const int32_t* row, int w, double sign) {
  for (int x = 0; x < w; ++x) column_sums[x] += sign * static_cast<double>(row[x]);
}

// When every window sum fits in int32 (the depth blur's stay far below),
// eight sums at a time in int32 lanes, divided exactly by multiplying: for
// 0 <= n < 2^31 and 1 <= d <= 256, n / d is (n * m) >> (31 + l) with
// l = ceil(log2 d) and m = ceil(2^(31 + l) / d) < 2^32; m * d overshoots
// 2^(31 + l) by less than 2^l, too little to reach the next integer.
struct Divider {
  uint32_t m, shift;
};

Divider divider(int d) {
  int l = 0;
  while ((1 << l) < d) ++l;
  return {static_cast<uint32_t>(((uint64_t{1} << (31 + l)) + d - 1) / d), static_cast<uint32_t>(31 + l)};
}

// Prefix sums of one line, clamped: index k holds the sum of its first
// k - r values (0 before the line, the total after it), so a window's sum is
// line_prefix[x + 2r + 1] - line_prefix[x] even where the line's edge cuts it.
uint32_t line_prefix[FRAME_W + 2 * 255 + 16];
alignas(32) uint32_t line_m[FRAME_W];
alignas(32) uint32_t line_shift[FRAME_W];
alignas(32) int32_t column_ints[FRAME_W];

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

// trunc(n / d) per lane, |n| < 2^31, from each lane's m and shift.
SIMD_AVX2 inline __m256i divide8(__m256i n, __m256i m, __m256i shift) {
  const __m256i a = _mm256_abs_epi32(n);
  const __m256i low = _mm256_set1_epi64x(0xFFFFFFFF);
  const __m256i even = _mm256_srlv_epi64(_mm256_mul_epu32(a, m), _mm256_and_si256(shift, low));
  const __m256i odd = _mm256_srlv_epi64(_mm256_mul_epu32(_mm256_srli_epi64(a, 32), _mm256_srli_epi64(m, 32)),
                                        _mm256_srli_epi64(shift, 32));
  return _mm256_sign_epi32(_mm256_or_si256(even, _mm256_slli_epi64(odd, 32)), n);
}

SIMD_AVX2 inline __m256i load8(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
SIMD_AVX2 inline void store8(void* p, __m256i v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }

// Running totals of eight lanes (wrapping, as the differences need).
SIMD_AVX2 inline __m256i prefix8(__m256i v) {
  v = _mm256_add_epi32(v, _mm256_slli_si256(v, 4));
  v = _mm256_add_epi32(v, _mm256_slli_si256(v, 8));
  const __m256i low_total = _mm256_permutevar8x32_epi32(v, _mm256_set1_epi32(3));
  return _mm256_add_epi32(v, _mm256_blend_epi32(_mm256_setzero_si256(), low_total, 0xF0));
}

SIMD_AVX2 bool sums_fit_int32(const int32_t* values, const FxRegion& reg, int r) {
  const int w = reg.x1 - reg.x0;
  __m256i lo = _mm256_setzero_si256(), hi = lo;
  int32_t lo1 = 0, hi1 = 0;
  for (int y = reg.y0; y < reg.y1; ++y) {
    const int32_t* row = values + y * FRAME_W + reg.x0;
    int x = 0;
    for (; x + 8 <= w; x += 8) {
      lo = _mm256_min_epi32(lo, load8(row + x));
      hi = _mm256_max_epi32(hi, load8(row + x));
    }
    for (; x < w; ++x) lo1 = std::min(lo1, row[x]), hi1 = std::max(hi1, row[x]);
  }
  alignas(32) int32_t lanes[2][8];
  _mm256_store_si256(reinterpret_cast<__m256i*>(lanes[0]), lo);
  _mm256_store_si256(reinterpret_cast<__m256i*>(lanes[1]), hi);
  for (int k = 0; k < 8; ++k) lo1 = std::min(lo1, lanes[0][k]), hi1 = std::max(hi1, lanes[1][k]);
  const int64_t bound = std::max(-int64_t{lo1}, int64_t{hi1});
  const int64_t count = std::min(2 * r + 1, std::max(w, reg.y1 - reg.y0));
  return bound * count <= INT32_MAX;
}

// Horizontal pass into scratch_values, whole vectors (rows are FRAME_W long,
// a multiple of 8, so the lanes past w stay inside the row).
SIMD_AVX2 void blur_rows_avx2(const int32_t* values, const FxRegion& reg, int r) {
  const int w = reg.x1 - reg.x0;
  for (int i = 0; i < w; ++i) {
    const Divider d = divider(fx_window_count(i, w, r));
    line_m[i] = d.m;
    line_shift[i] = d.shift;
  }
  std::fill(line_prefix, line_prefix + r + 1, 0u);
  const __m256i lane_index = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  for (int y = reg.y0; y < reg.y1; ++y) {
    const int32_t* row = values + y * FRAME_W + reg.x0;
    // Lanes past the line read as 0, so their totals are the line's.
    __m256i total = _mm256_setzero_si256();
    int x = 0;
    for (; x < w; x += 8) {
      const __m256i v = x + 8 <= w ? load8(row + x)
                                   : _mm256_maskload_epi32(row + x, _mm256_cmpgt_epi32(_mm256_set1_epi32(w - x), lane_index));
      const __m256i local = prefix8(v);
      store8(line_prefix + r + 1 + x, _mm256_add_epi32(local, total));
      // The carried total waits on one addition per step, not on a shuffle.
      total = _mm256_add_epi32(total, _mm256_permutevar8x32_epi32(local, _mm256_set1_epi32(7)));
    }
    for (x += r + 1; x < w + 2 * r + 8; x += 8) store8(line_prefix + x, total);
    int32_t* out = scratch_values + (y - reg.y0) * FRAME_W;
    for (x = 0; x < w; x += 8) {
      const __m256i sums = _mm256_sub_epi32(load8(line_prefix + x + 2 * r + 1), load8(line_prefix + x));
      store8(out + x, divide8(sums, load8(line_m + x), load8(line_shift + x)));
    }
  }
}

SIMD_AVX2 void add_rows_avx2(const int32_t* add, const int32_t* remove, int w) {
  for (int x = 0; x < w; x += 8) {
    __m256i* s = reinterpret_cast<__m256i*>(column_ints + x);
    __m256i v = _mm256_load_si256(s);
    if (add) v = _mm256_add_epi32(v, load8(add + x));
    if (remove) v = _mm256_sub_epi32(v, load8(remove + x));
    _mm256_store_si256(s, v);
  }
}

// Vertical pass from scratch_values back into the region.
SIMD_AVX2 void blur_columns_avx2(int32_t* values, const FxRegion& reg, int r) {
  const int w = reg.x1 - reg.x0;
  const int h = reg.y1 - reg.y0;
  std::fill(column_ints, column_ints + FRAME_W, 0);
  for (int j = 0; j <= r && j < h; ++j) add_rows_avx2(scratch_values + j * FRAME_W, nullptr, w);
  const __m256i lane_index = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  for (int j = 0; j < h; ++j) {
    const Divider d = divider(fx_window_count(j, h, r));
    const __m256i m = _mm256_set1_epi32(static_cast<int32_t>(d.m));
    const __m256i shift = _mm256_set1_epi32(static_cast<int32_t>(d.shift));
    int32_t* out = values + (reg.y0 + j) * FRAME_W + reg.x0;
    int x = 0;
    for (; x + 8 <= w; x += 8) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), divide8(load8(column_ints + x), m, shift));
    }
    if (x < w) {
      const __m256i inside = _mm256_cmpgt_epi32(_mm256_set1_epi32(w - x), lane_index);
      _mm256_maskstore_epi32(out + x, inside, divide8(load8(column_ints + x), m, shift));
    }
    add_rows_avx2(j + 1 + r < h ? scratch_values + (j + 1 + r) * FRAME_W : nullptr,
                  j - r >= 0 ? scratch_values + (j - r) * FRAME_W : nullptr, w);
  }
}

#pragma GCC diagnostic pop

const auto blur_int = simd_pick(blur_int_plain, blur_int_avx2);

}  // namespace

void blur_int_plain(int32_t* values, const FxRegion& reg, int r) {
  const int w = reg.x1 - reg.x0;
  const int h = reg.y1 - reg.y0;
  for (int i = 0; i < w; ++i) line_counts[i] = fx_window_count(i, w, r);
  for (int y = reg.y0; y < reg.y1; ++y) {
    int32_t* row = values + y * FRAME_W + reg.x0;
    std::memcpy(line_values, row, w * sizeof(int32_t));
    int64_t sum = 0;
    for (int i = 0; i <= r && i < w; ++i) sum += line_values[i];
    for (int i = 0; i < w; ++i) {
      line_sums[i] = static_cast<double>(sum);
      if (i + 1 + r < w) sum += line_values[i + 1 + r];
      if (i - r >= 0) sum -= line_values[i - r];
    }
    store_means(row, line_sums, line_counts, w);
  }
  for (int j = 0; j < h; ++j) {
    std::memcpy(scratch_values + j * FRAME_W, values + (reg.y0 + j) * FRAME_W + reg.x0, w * sizeof(int32_t));
  }
  for (int x = 0; x < w; ++x) column_sums[x] = 0.0;
  for (int j = 0; j <= r && j < h; ++j) add_values_to_columns(scratch_values + j * FRAME_W, w, 1.0);
  double filled_count = 0.0;  // what column_counts holds
  for (int j = 0; j < h; ++j) {
    const double count = fx_window_count(j, h, r);
    if (count != filled_count) {
      std::fill(column_counts, column_counts + w, count);
      filled_count = count;
    }
    store_means(values + (reg.y0 + j) * FRAME_W + reg.x0, column_sums, column_counts, w);
    if (j + 1 + r < h) add_values_to_columns(scratch_values + (j + 1 + r) * FRAME_W, w, 1.0);
    if (j - r >= 0) add_values_to_columns(scratch_values + (j - r) * FRAME_W, w, -1.0);
  }
}

SIMD_AVX2 void blur_int_avx2(int32_t* values, const FxRegion& reg, int r) {
  if (!sums_fit_int32(values, reg, r)) return blur_int_plain(values, reg, r);
  blur_rows_avx2(values, reg, r);
  blur_columns_avx2(values, reg, r);
}

void fx_blur_int(int32_t* values, int16_t x0, int16_t y0, int16_t x1, int16_t y1, uint8_t radius) {
  const FxRegion reg = fx_clamp_region(x0, y0, x1, y1);
  if (radius == 0 || reg.empty()) return;
  blur_int(values, reg, radius);
}
