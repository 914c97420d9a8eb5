// Box blur of signed 32-bit values with running window sums, as the byte
// blur does it.
#include <algorithm>
#include <cstring>

#include "image/effects.h"
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

}  // namespace

void fx_blur_int(int32_t* values, int16_t x0, int16_t y0, int16_t x1, int16_t y1, uint8_t radius) {
  const FxRegion reg = fx_clamp_region(x0, y0, x1, y1);
  if (radius == 0 || reg.empty()) return;
  const int r = radius;
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
