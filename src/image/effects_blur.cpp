// Box blur and sharpen. Each window sum is kept running (add the value
// entering, drop the one leaving) rather than re-added per pixel: the sums
// are the same numbers the plain per-pixel loop forms, so results are
// identical while the cost no longer grows with the radius. The vertical
// pass walks whole rows with one running sum per column.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "image/effects.h"
#include "image/effects_region.h"

namespace {

// The pass input of the vertical pass (the horizontal pass's result).
Pixel scratch_pixels[FRAME_PIXELS];
int32_t scratch_values[FRAME_PIXELS];
// One line's values split into colour channels, and running column sums.
int32_t line_channel[3][FRAME_W];
int32_t column_sum[3][FRAME_W];
int32_t line_values[FRAME_W];

// n / d truncated toward zero for |n| <= 32768 and 1 <= d <= 259 (a window
// never exceeds a 240-pixel line), by a reciprocal whose error stays below 1/d.
struct Reciprocals {
  uint64_t m[260];
  Reciprocals() {
    for (int d = 1; d < 260; ++d) m[d] = (uint64_t{1} << 32) / d + 1;
  }
};
const Reciprocals reciprocals;

inline int32_t divide_by(int32_t n, uint64_t m) {
  const uint32_t q = static_cast<uint32_t>((static_cast<uint64_t>(std::abs(n)) * m) >> 32);
  return n < 0 ? -static_cast<int32_t>(q) : static_cast<int32_t>(q);
}

// The window sum read as a signed 16-bit number (large radii wrap), its
// mean, then the sharpen step; clamped to a byte.
template <bool sharpen>
inline uint32_t filtered(int32_t sum, uint64_t m, int32_t orig) {
  const int32_t mean = divide_by(static_cast<int16_t>(sum), m);
  return fx_clamp_byte(sharpen ? orig + (orig - mean) / 6 : mean);
}

// Full windows (count 2r + 1, radius up to 63 so the sum cannot wrap) take
// their mean and the sharpen step from tables instead of arithmetic.
constexpr int FAST_RADIUS_MAX = 63;
struct SharpenTable {
  uint8_t v[256 * 256];  // [orig][mean]
  SharpenTable() {
    for (int o = 0; o < 256; ++o)
      for (int m = 0; m < 256; ++m) v[o << 8 | m] = static_cast<uint8_t>(fx_clamp_byte(o + (o - m) / 6));
  }
};
const SharpenTable sharpen_table;
uint8_t mean_table[(2 * FAST_RADIUS_MAX + 1) * 255 + 1];
int mean_table_count;

void prepare_mean_table(int count) {
  if (mean_table_count == count) return;
  for (int s = 0; s <= count * 255; ++s) mean_table[s] = static_cast<uint8_t>(s / count);
  mean_table_count = count;
}

template <bool sharpen>
inline uint32_t filtered_full(int32_t sum, int32_t orig) {
  const uint32_t mean = mean_table[sum];
  return sharpen ? sharpen_table.v[orig << 8 | mean] : mean;
}

inline int32_t channel(Pixel p, int k) { return (p >> (8 * k)) & 0xFF; }

// Window of i within 0..n-1.
inline int window_count(int i, int n, int r) {
  const int lo = i - r < 0 ? 0 : i - r;
  const int hi = i + r >= n ? n - 1 : i + r;
  return hi - lo + 1;
}

template <bool sharpen>
void blur_byte_rows(Pixel* buf, const FxRegion& reg, int r) {
  const int n = reg.x1 - reg.x0;
  const bool fast = r <= FAST_RADIUS_MAX;
  for (int y = reg.y0; y < reg.y1; ++y) {
    Pixel* row = buf + y * FRAME_W + reg.x0;
    int32_t sum[3] = {0, 0, 0};
    for (int i = 0; i < n; ++i) {
#pragma GCC unroll 3
      for (int k = 0; k < 3; ++k) line_channel[k][i] = channel(row[i], k);
    }
    for (int i = 0; i <= r && i < n; ++i) {
#pragma GCC unroll 3
      for (int k = 0; k < 3; ++k) sum[k] += line_channel[k][i];
    }
    for (int i = 0; i < n; ++i) {
      Pixel out = row[i] & 0xFF000000u;
      if (fast && i >= r && i + r < n) {
#pragma GCC unroll 3
        for (int k = 0; k < 3; ++k) out |= filtered_full<sharpen>(sum[k], line_channel[k][i]) << (8 * k);
      } else {
        const uint64_t m = reciprocals.m[window_count(i, n, r)];
#pragma GCC unroll 3
        for (int k = 0; k < 3; ++k) out |= filtered<sharpen>(sum[k], m, line_channel[k][i]) << (8 * k);
      }
      row[i] = out;
#pragma GCC unroll 3
      for (int k = 0; k < 3; ++k) {
        if (i + 1 + r < n) sum[k] += line_channel[k][i + 1 + r];
        if (i - r >= 0) sum[k] -= line_channel[k][i - r];
      }
    }
  }
}

// Adds (sign 1) or removes (-1) one row of the pass input to the column sums.
void add_row_to_columns(const Pixel* row, int w, int sign) {
  for (int x = 0; x < w; ++x) {
#pragma GCC unroll 3
    for (int k = 0; k < 3; ++k) column_sum[k][x] += sign * channel(row[x], k);
  }
}

template <bool sharpen>
void blur_byte_columns(Pixel* buf, const FxRegion& reg, int r) {
  const int w = reg.x1 - reg.x0;
  const int h = reg.y1 - reg.y0;
  for (int j = 0; j < h; ++j) {
    std::memcpy(scratch_pixels + j * FRAME_W, buf + (reg.y0 + j) * FRAME_W + reg.x0, w * sizeof(Pixel));
  }
  std::memset(column_sum, 0, sizeof column_sum);
  for (int j = 0; j <= r && j < h; ++j) add_row_to_columns(scratch_pixels + j * FRAME_W, w, 1);
  const bool fast = r <= FAST_RADIUS_MAX;
  for (int j = 0; j < h; ++j) {
    const Pixel* in = scratch_pixels + j * FRAME_W;
    Pixel* out = buf + (reg.y0 + j) * FRAME_W + reg.x0;
    if (fast && j >= r && j + r < h) {
      for (int x = 0; x < w; ++x) {
        Pixel p = in[x] & 0xFF000000u;
#pragma GCC unroll 3
        for (int k = 0; k < 3; ++k) p |= filtered_full<sharpen>(column_sum[k][x], channel(in[x], k)) << (8 * k);
        out[x] = p;
      }
    } else {
      const uint64_t m = reciprocals.m[window_count(j, h, r)];
      for (int x = 0; x < w; ++x) {
        Pixel p = in[x] & 0xFF000000u;
#pragma GCC unroll 3
        for (int k = 0; k < 3; ++k) p |= filtered<sharpen>(column_sum[k][x], m, channel(in[x], k)) << (8 * k);
        out[x] = p;
      }
    }
    if (j + 1 + r < h) add_row_to_columns(scratch_pixels + (j + 1 + r) * FRAME_W, w, 1);
    if (j - r >= 0) add_row_to_columns(scratch_pixels + (j - r) * FRAME_W, w, -1);
  }
}

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

}  // namespace

void fx_blur_int(int32_t* values, int16_t x0, int16_t y0, int16_t x1, int16_t y1, uint8_t radius) {
  const FxRegion reg = fx_clamp_region(x0, y0, x1, y1);
  if (radius == 0 || reg.empty()) return;
  const int r = radius;
  const int w = reg.x1 - reg.x0;
  const int h = reg.y1 - reg.y0;
  for (int i = 0; i < w; ++i) line_counts[i] = window_count(i, w, r);
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
    const double count = window_count(j, h, r);
    if (count != filled_count) {
      std::fill(column_counts, column_counts + w, count);
      filled_count = count;
    }
    store_means(values + (reg.y0 + j) * FRAME_W + reg.x0, column_sums, column_counts, w);
    if (j + 1 + r < h) add_values_to_columns(scratch_values + (j + 1 + r) * FRAME_W, w, 1.0);
    if (j - r >= 0) add_values_to_columns(scratch_values + (j - r) * FRAME_W, w, -1.0);
  }
}

void fx_blur(Pixel* buffer, int16_t x0, int16_t y0, int16_t x1, int16_t y1, int8_t amount) {
  Pixel* buf = fx_target(buffer);
  const FxRegion reg = fx_clamp_region(x0, y0, x1, y1);
  if (amount == 0 || reg.empty()) return;
  const bool sharpen = amount < 0;
  const int r = sharpen ? -amount : amount;
  if (r <= FAST_RADIUS_MAX) prepare_mean_table(2 * r + 1);
  if (sharpen) {
    blur_byte_rows<true>(buf, reg, r);
    blur_byte_columns<true>(buf, reg, r);
  } else {
    blur_byte_rows<false>(buf, reg, r);
    blur_byte_columns<false>(buf, reg, r);
  }
}
