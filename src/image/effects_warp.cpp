// Effects that move whole pixels: lens distortion and row tearing. Both
// gather into a fixed scratch frame and copy it back.
#include <cstring>

#include "common/random.h"
#include "image/effects.h"
#include "image/effects_region.h"
#include "render3d/fixed_math.h"

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

}  // namespace

void fx_lens(Pixel* buffer, float a, float b, float c) {
  Pixel* buf = fx_target(buffer);
  const double s = static_cast<double>(c) * 120;
  // Per column and row: u and v, their squares, and for each of the 16
  // magnifications inside the circle (index 16: outside, m = 1) the source
  // column and row. Intermediates are wider than float and rounded where a
  // float is stored (u, v, the root's argument, su, sv): at c = 1 a u just
  // below its exact value then samples the left neighbour.
  static double u_sq[FRAME_W], v_sq[FRAME_H];
  static int16_t src_x[17][FRAME_W], src_y[17][FRAME_H];
  for (int x = 0; x < FRAME_W; ++x) {
    const float u = static_cast<float>((x - 120) / s);
    u_sq[x] = static_cast<double>(u) * u;
    for (int k = 0; k <= 16; ++k) {
      const float m = k < 16 ? lens_table.magnification[k] : 1.0f;
      const float su = static_cast<float>(u * (static_cast<double>(a) * m + 1.0 - a));
      src_x[k][x] = static_cast<int16_t>(clamp(trunc_to_i32(su * 120.0 + 120.0), 0, FRAME_W - 1));
    }
  }
  for (int y = 0; y < FRAME_H; ++y) {
    const float v = static_cast<float>((y - 75) / s);
    v_sq[y] = static_cast<double>(v) * v;
    for (int k = 0; k <= 16; ++k) {
      const float m = k < 16 ? lens_table.magnification[k] : 1.0f;
      const float sv = static_cast<float>(v * (static_cast<double>(b) * m + 1.0 - b));
      src_y[k][y] = static_cast<int16_t>(clamp(trunc_to_i32(sv * 120.0 + 75.0), 0, FRAME_H - 1));
    }
  }
  for (int y = 0; y < FRAME_H; ++y) {
    for (int x = 0; x < FRAME_W; ++x) {
      // n = trunc((u^2 + v^2) * 256); d = int_sqrt(n) / 16 is below 1 only for n < 256.
      const int32_t n = trunc_to_i32(static_cast<float>(u_sq[x] + v_sq[y]) * 256.0f);
      const int k = n >= 256 ? 16 : (n < 0 ? 0 : lens_table.sqrt_step[n]);
      scratch[y * FRAME_W + x] = buf[src_y[k][y] * FRAME_W + src_x[k][x]];
    }
  }
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
    for (int x = 0; x < FRAME_W; ++x, ++pos) row[x] = buf[clamp(pos, 0, FRAME_PIXELS - 1)];
  }
  std::memcpy(buf, scratch, sizeof scratch);
}
