// Per-pixel colour effects: grey noise and contrast stretch.
#include "common/random.h"
#include "image/effects.h"
#include "image/effects_region.h"
#include "render3d/fixed_math.h"

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
  // The result depends on the byte alone: one table per call.
  uint32_t table[256];
  for (int c = 0; c < 256; ++c) {
    const int16_t v = static_cast<int16_t>(trunc_to_i32(static_cast<float>(c) * scale - low));
    table[c] = fx_clamp_byte(v);
  }
  for (int y = reg.y0; y < reg.y1; ++y) {
    Pixel* row = buf + y * FRAME_W;
    for (int x = reg.x0; x < reg.x1; ++x) {
      const Pixel p = row[x];
      row[x] = (p & 0xFF000000u) | table[p & 0xFF] | table[(p >> 8) & 0xFF] << 8 |
               table[(p >> 16) & 0xFF] << 16;
    }
  }
}
