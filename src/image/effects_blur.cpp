// Box blur and sharpen. Window sums come from prefix sums: each window is
// the same sum the plain per-pixel loop forms, so results are identical
// while the cost no longer grows with the radius.
#include <cstdlib>

#include "image/effects.h"
#include "image/effects_region.h"

namespace {

constexpr int LINE_MAX = FRAME_W > FRAME_H ? FRAME_W : FRAME_H;

// Scratch for one row or column: prefix sums and results.
int64_t prefix_int[LINE_MAX + 1];
int32_t line_int[LINE_MAX];
int32_t prefix_byte[3][LINE_MAX + 1];
uint32_t line_byte[LINE_MAX];

// Blurs `n` values spaced `stride` apart in place.
void blur_int_line(int32_t* first, int n, int stride, int r) {
  prefix_int[0] = 0;
  for (int i = 0; i < n; ++i) prefix_int[i + 1] = prefix_int[i] + first[i * stride];
  for (int i = 0; i < n; ++i) {
    const int lo = i - r < 0 ? 0 : i - r;
    const int hi = i + r >= n ? n - 1 : i + r;
    // Exact: the sum fits a double and the quotient cannot round across an integer.
    const double mean = static_cast<double>(prefix_int[hi + 1] - prefix_int[lo]) / (hi - lo + 1);
    line_int[i] = static_cast<int32_t>(mean);
  }
  for (int i = 0; i < n; ++i) first[i * stride] = line_int[i];
}

// n / d truncated toward zero for |n| <= 32768 and 1 <= d <= 259 (a window
// never exceeds a 240-pixel line), by a reciprocal whose error stays below 1/d.
struct Reciprocals {
  uint64_t m[260];
  Reciprocals() {
    for (int d = 1; d < 260; ++d) m[d] = (uint64_t{1} << 32) / d + 1;
  }
  int32_t divide(int32_t n, int d) const {
    const uint32_t q = static_cast<uint32_t>((static_cast<uint64_t>(std::abs(n)) * m[d]) >> 32);
    return n < 0 ? -static_cast<int32_t>(q) : static_cast<int32_t>(q);
  }
};
const Reciprocals reciprocals;

// Blurs or sharpens the colour bytes of `n` pixels spaced `stride` apart.
void blur_byte_line(Pixel* first, int n, int stride, int r, bool sharpen) {
  for (int k = 0; k < 3; ++k) prefix_byte[k][0] = 0;
  for (int i = 0; i < n; ++i) {
    const Pixel p = first[i * stride];
    for (int k = 0; k < 3; ++k) prefix_byte[k][i + 1] = prefix_byte[k][i] + ((p >> (8 * k)) & 0xFF);
  }
  for (int i = 0; i < n; ++i) {
    const int lo = i - r < 0 ? 0 : i - r;
    const int hi = i + r >= n ? n - 1 : i + r;
    const int count = hi - lo + 1;
    const Pixel p = first[i * stride];
    uint32_t out = p & 0xFF000000u;
    for (int k = 0; k < 3; ++k) {
      // The window sum is kept as a signed 16-bit number: large radii wrap.
      const int16_t sum = static_cast<int16_t>(prefix_byte[k][hi + 1] - prefix_byte[k][lo]);
      const int32_t mean = reciprocals.divide(sum, count);
      int32_t value = mean;
      if (sharpen) {
        const int32_t orig = (p >> (8 * k)) & 0xFF;
        value = orig + (orig - mean) / 6;
      }
      out |= fx_clamp_byte(value) << (8 * k);
    }
    line_byte[i] = out;
  }
  for (int i = 0; i < n; ++i) first[i * stride] = line_byte[i];
}

}  // namespace

void fx_blur_int(int32_t* values, int16_t x0, int16_t y0, int16_t x1, int16_t y1, uint8_t radius) {
  const FxRegion reg = fx_clamp_region(x0, y0, x1, y1);
  if (radius == 0 || reg.empty()) return;
  const int w = reg.x1 - reg.x0;
  const int h = reg.y1 - reg.y0;
  for (int y = reg.y0; y < reg.y1; ++y) blur_int_line(values + y * FRAME_W + reg.x0, w, 1, radius);
  for (int x = reg.x0; x < reg.x1; ++x) {
    blur_int_line(values + reg.y0 * FRAME_W + x, h, FRAME_W, radius);
  }
}

void fx_blur(Pixel* buffer, int16_t x0, int16_t y0, int16_t x1, int16_t y1, int8_t amount) {
  Pixel* buf = fx_target(buffer);
  const FxRegion reg = fx_clamp_region(x0, y0, x1, y1);
  if (amount == 0 || reg.empty()) return;
  const bool sharpen = amount < 0;
  const int r = sharpen ? -amount : amount;
  const int w = reg.x1 - reg.x0;
  const int h = reg.y1 - reg.y0;
  for (int y = reg.y0; y < reg.y1; ++y) blur_byte_line(buf + y * FRAME_W + reg.x0, w, 1, r, sharpen);
  for (int x = reg.x0; x < reg.x1; ++x) {
    blur_byte_line(buf + reg.y0 * FRAME_W + x, h, FRAME_W, r, sharpen);
  }
}
