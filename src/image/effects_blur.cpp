// Box blur and sharpen. Each window sum is kept running (add the value
// entering, drop the one leaving) rather than re-added per pixel: the sums
// are the same numbers the plain per-pixel loop forms, so results are
// identical while the cost no longer grows with the radius. The vertical
// pass walks whole rows with one running sum per column.
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
int64_t column_sum64[FRAME_W];
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

// sum / count truncated toward zero by a 64-bit reciprocal (floor of
// (2^64 - 1) / count), which can come out one low: one step corrects it.
struct WideReciprocals {
  uint64_t m[512];
  WideReciprocals() {
    for (int d = 1; d < 512; ++d) m[d] = ~uint64_t{0} / d;
  }
};
const WideReciprocals wide_reciprocals;

inline int32_t mean_of(int64_t sum, int count) {
  const uint64_t magnitude = static_cast<uint64_t>(sum < 0 ? -sum : sum);
  auto q = static_cast<uint64_t>((static_cast<unsigned __int128>(magnitude) * wide_reciprocals.m[count]) >> 64);
  if ((q + 1) * static_cast<uint64_t>(count) <= magnitude) ++q;
  return static_cast<int32_t>(sum < 0 ? -static_cast<int64_t>(q) : static_cast<int64_t>(q));
}

}  // namespace

void fx_blur_int(int32_t* values, int16_t x0, int16_t y0, int16_t x1, int16_t y1, uint8_t radius) {
  const FxRegion reg = fx_clamp_region(x0, y0, x1, y1);
  if (radius == 0 || reg.empty()) return;
  const int r = radius;
  const int w = reg.x1 - reg.x0;
  const int h = reg.y1 - reg.y0;
  for (int y = reg.y0; y < reg.y1; ++y) {
    int32_t* row = values + y * FRAME_W + reg.x0;
    std::memcpy(line_values, row, w * sizeof(int32_t));
    int64_t sum = 0;
    for (int i = 0; i <= r && i < w; ++i) sum += line_values[i];
    for (int i = 0; i < w; ++i) {
      row[i] = mean_of(sum, window_count(i, w, r));
      if (i + 1 + r < w) sum += line_values[i + 1 + r];
      if (i - r >= 0) sum -= line_values[i - r];
    }
  }
  for (int j = 0; j < h; ++j) {
    std::memcpy(scratch_values + j * FRAME_W, values + (reg.y0 + j) * FRAME_W + reg.x0, w * sizeof(int32_t));
  }
  for (int x = 0; x < w; ++x) column_sum64[x] = 0;
  for (int j = 0; j <= r && j < h; ++j) {
    for (int x = 0; x < w; ++x) column_sum64[x] += scratch_values[j * FRAME_W + x];
  }
  for (int j = 0; j < h; ++j) {
    const int count = window_count(j, h, r);
    int32_t* out = values + (reg.y0 + j) * FRAME_W + reg.x0;
    for (int x = 0; x < w; ++x) out[x] = mean_of(column_sum64[x], count);
    if (j + 1 + r < h) {
      for (int x = 0; x < w; ++x) column_sum64[x] += scratch_values[(j + 1 + r) * FRAME_W + x];
    }
    if (j - r >= 0) {
      for (int x = 0; x < w; ++x) column_sum64[x] -= scratch_values[(j - r) * FRAME_W + x];
    }
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
