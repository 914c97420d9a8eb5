#include "display/cell_convert.h"

#include <cstdint>

#include "display/lookup_tables.h"

const ColorSample CONSOLE_PALETTE[16] = {
    {0, 0, 0, 0},       {0, 0, 128, 1},     {0, 128, 0, 2},     {0, 128, 128, 3},
    {128, 0, 0, 4},     {128, 0, 128, 5},   {128, 128, 0, 6},   {192, 192, 192, 7},
    {128, 128, 128, 8}, {0, 0, 255, 9},     {0, 255, 0, 10},    {0, 255, 255, 11},
    {255, 0, 0, 12},    {255, 0, 255, 13},  {255, 255, 0, 14},  {255, 255, 255, 15},
};

const uint8_t DENSITY_RAMP[DENSITY_RAMP_SIZE] = {
    0x20, 0x20, 0x20, 0x20, 0xFA, 0xF9, 0xF9, 0xF9, 0x3A, 0x3A, 0x3A, 0x3A, 0x07,
    0x07, 0x07, 0x2B, 0xB0, 0xB0, 0xB0, 0xB0, 0x09, 0x09, 0x09, 0x09, 0x09, 0x4F,
    0x4F, 0x4F, 0x4F, 0xE9, 0xE9, 0xE9, 0xB1, 0xB1, 0xB1, 0xB1, 0x00,
};

namespace {

// The palette as separate channel rows so the nearest-colour search runs
// over all 16 entries at once in vector registers.
alignas(64) const int32_t PAL_R[16] = {0, 0, 0, 0, 128, 128, 128, 192,
                                       128, 0, 0, 0, 255, 255, 255, 255};
alignas(64) const int32_t PAL_G[16] = {0, 0, 128, 128, 0, 0, 128, 192,
                                       128, 0, 255, 255, 0, 0, 255, 255};
alignas(64) const int32_t PAL_B[16] = {0, 128, 0, 128, 0, 128, 0, 192,
                                       128, 255, 0, 255, 0, 255, 0, 255};
// Low nibble of a search key: 15 - colour, so the smallest key prefers the
// highest colour number among equal distances.
alignas(64) const int32_t PAL_TIE[16] = {15, 14, 13, 12, 11, 10, 9, 8,
                                         7, 6, 5, 4, 3, 2, 1, 0};

constexpr int32_t SCORE_START = 9 * 65536;
constexpr int32_t SCORE_STEP = 65536;

inline void block_pixels(const Pixel* frame, int col, int row, Pixel out[9]) {
  const Pixel* p = frame + (row * 3) * FRAME_W + col * 3;
  for (int y = 0; y < 3; ++y, p += FRAME_W) {
    out[y * 3] = p[0];
    out[y * 3 + 1] = p[1];
    out[y * 3 + 2] = p[2];
  }
}

inline ColorSample sample_of(Pixel p) {
  return {static_cast<int32_t>(pixel_r(p)), static_cast<int32_t>(pixel_g(p)),
          static_cast<int32_t>(pixel_b(p)), -1};
}

// Nearest palette colour of each pixel as (distance << 4 | 15 - colour): the
// same winner as cell_nearest_color. Channels are 0-255, so every divided
// product is non-negative and the divisions by 2 and 256 are shifts.
__attribute__((target_clones("avx2", "default")))
void nearest_keys(const Pixel px[9], int32_t keys[9]) {
  Pixel last = ~px[0];
  int32_t last_key = 0;
  for (int k = 0; k < 9; ++k) {
    if (px[k] == last) {  // runs of equal pixels are common in drawn pictures
      keys[k] = last_key;
      continue;
    }
    const int32_t r = static_cast<int32_t>(pixel_r(px[k]));
    const int32_t g = static_cast<int32_t>(pixel_g(px[k]));
    const int32_t b = static_cast<int32_t>(pixel_b(px[k]));
    int32_t best = INT32_MAX;
    for (int c = 0; c < 16; ++c) {
      const int32_t rm = (r + PAL_R[c]) >> 1;
      const int32_t dr = r - PAL_R[c], dg = g - PAL_G[c], db = b - PAL_B[c];
      const int32_t d = (((512 + rm) * dr * dr) >> 8) + 4 * dg * dg + (((767 - rm) * db * db) >> 8);
      const int32_t key = d << 4 | PAL_TIE[c];
      best = key < best ? key : best;
    }
    last = px[k];
    last_key = keys[k] = best;
  }
}

// Colour with the smallest score, ties to the highest number; `skip` is left out.
inline int32_t lowest_score(const int32_t score[16], int32_t skip) {
  int32_t best = INT32_MAX;
  for (int c = 0; c < 16; ++c) {
    if (c == skip) continue;
    const int32_t key = score[c] << 4 | (15 - c);  // scores stay within 0..2^26
    best = key < best ? key : best;
  }
  return 15 - (best & 15);
}

// trunc of a double as the console build did it: values outside int32
// (and NaN, from a damaged table) give INT32_MIN instead of undefined behaviour.
inline int32_t trunc_i32(double x) {
  if (x > -2147483649.0 && x < 2147483648.0) return static_cast<int32_t>(x);
  return INT32_MIN;
}

}  // namespace

int32_t cell_color_distance(const ColorSample* c, const ColorSample* p) {
  const int32_t rm = (c->r + p->r) / 2;
  const int32_t dr = c->r - p->r, dg = c->g - p->g, db = c->b - p->b;
  return ((512 + rm) * dr * dr) / 256 + 4 * dg * dg + ((767 - rm) * db * db) / 256;
}

int32_t cell_nearest_color(ColorSample* p) {
  int32_t best = INT32_MAX;
  for (int c = 15; c >= 0; --c) {
    const int32_t d = cell_color_distance(&CONSOLE_PALETTE[c], p);
    if (d < best) {
      best = d;
      p->index = c;
    }
  }
  return best;
}

int32_t cell_pattern_code(const int32_t digits[9]) {
  int32_t code = 0;
  for (int k = 8; k >= 0; --k) code = code * 3 + digits[k];
  return code;
}

int32_t cell_dither_hash(int32_t a, int32_t b, int32_t mask) {
  const int32_t A = a * 214013 + 2531101;
  const int32_t B = b * 214031 + 2513101;
  int32_t h = ((A ^ B) >> 16) & 0x7FFF;
  h = (h * 214013 + 2531011) >> 16;
  return h & mask & 0x7FFF;
}

void cell_analyse(const Pixel* frame, int col, int row, ColorSample* background,
                  ColorSample* foreground, float* mix) {
  Pixel px[9];
  block_pixels(frame, col, row, px);

  int32_t sum_r = 0, sum_g = 0, sum_b = 0;
  for (Pixel p : px) {
    sum_r += static_cast<int32_t>(pixel_r(p));
    sum_g += static_cast<int32_t>(pixel_g(p));
    sum_b += static_cast<int32_t>(pixel_b(p));
  }
  const int32_t mean_r = sum_r / 9, mean_g = sum_g / 9, mean_b = sum_b / 9;
  int32_t spread = 0;
  for (Pixel p : px) {
    const int32_t dr = mean_r - static_cast<int32_t>(pixel_r(p));
    const int32_t dg = mean_g - static_cast<int32_t>(pixel_g(p));
    const int32_t db = mean_b - static_cast<int32_t>(pixel_b(p));
    spread += dr * dr + dg * dg + db * db;
  }

  if (spread / 9 <= FLAT_SPREAD_LIMIT) {
    const int32_t i = color15(mean_r, mean_g, mean_b);
    background->index = ColorPairMap[i] >> 4;
    foreground->index = ColorPairMap[i] & 0x0F;
    *mix = ColorMixMap[i];
    return;
  }

  int32_t keys[9];
  nearest_keys(px, keys);
  int32_t score[16];
  for (int32_t& s : score) s = SCORE_START;
  for (int32_t key : keys) score[15 - (key & 15)] += (key >> 4) - SCORE_STEP;
  background->index = lowest_score(score, -1);
  foreground->index = lowest_score(score, background->index);
  *mix = -1.0f;
}

uint8_t cell_pick_glyph(const Pixel* frame, int col, int row, const ColorSample* background,
                        const ColorSample* foreground) {
  const ColorSample* c1 = &CONSOLE_PALETTE[background->index & 15];
  const ColorSample* c2 = &CONSOLE_PALETTE[foreground->index & 15];
  Pixel px[9];
  block_pixels(frame, col, row, px);

  float share[9];
  float m = 0.0f;
  for (int k = 0; k < 9; ++k) {
    const ColorSample p = sample_of(px[k]);
    const float e1 = static_cast<float>(cell_color_distance(c1, &p) * (1.0 / 256));
    const float e2 = static_cast<float>(cell_color_distance(c2, &p) * (1.0 / 256));
    // e1 and e2 are exact multiples of 1/256, so their sum and difference are exact.
    const double t = static_cast<double>(e1) + e2;
    float r = 0.0f;
    if (t != 0.0) {
      r = static_cast<float>((static_cast<double>(e1) - e2) / t + static_cast<double>(MIX_BIAS));
      if (r < 0.0f) r = 0.0f;
      if (r > 1.0f) r = 1.0f;
    }
    share[k] = r;
    if (r > m) m = r;
  }

  int32_t level = static_cast<int32_t>(6.0 * m - 0.5);
  if (level < 0) level = 0;
  if (level > PATTERN_LEVELS - 1) level = PATTERN_LEVELS - 1;
  const float scale = static_cast<float>(6.0 / (level + 1));
  int32_t digits[9];
  for (int k = 0; k < 9; ++k) {
    const int32_t d = static_cast<int32_t>(share[k] * 2.5 * scale);
    digits[k] = d > 2 ? 2 : d;
  }
  return CharMap[level * PATTERN_CODES + cell_pattern_code(digits)];
}

uint8_t cell_convert(const Pixel* frame, int col, int row, uint8_t* character) {
  ColorSample background, foreground;
  float mix;
  cell_analyse(frame, col, row, &background, &foreground, &mix);
  if (mix < 0.0f) {
    *character = cell_pick_glyph(frame, col, row, &background, &foreground);
  } else {
    const int32_t j = trunc_i32(static_cast<double>(mix) * 2 * 37) ^ cell_dither_hash(col, row, 3);
    *character = DENSITY_RAMP[static_cast<uint32_t>(j) > 36 ? 36 : j];
  }
  return static_cast<uint8_t>(background.index << 4 | foreground.index);
}
