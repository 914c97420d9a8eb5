#include "display/cell_convert.h"

#include <emmintrin.h>

#include <cmath>
#include <cstdint>
#include <cstring>

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

constexpr int CONSOLE_COLS_MAX = FRAME_W / 3;
constexpr int CONSOLE_ROWS_MAX = FRAME_H / 3;
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

// Nearest palette colour of each pixel as (distance << 4 | 15 - colour): the
// same winner as cell_nearest_color. Channels are 0-255, so every divided
// product is non-negative and the divisions by 2 and 256 are shifts.
inline int32_t nearest_key(int32_t r, int32_t g, int32_t b) {
  int32_t best = INT32_MAX;
  for (int c = 0; c < 16; ++c) {
    const int32_t rm = (r + PAL_R[c]) >> 1;
    const int32_t dr = r - PAL_R[c], dg = g - PAL_G[c], db = b - PAL_B[c];
    const int32_t d = (((512 + rm) * dr * dr) >> 8) + 4 * dg * dg + (((767 - rm) * db * db) >> 8);
    const int32_t key = d << 4 | PAL_TIE[c];
    best = key < best ? key : best;
  }
  return best;
}

// Colour with the smallest score, ties to the highest number; `skip` is left out.
inline int32_t lowest_score(const int32_t score[16], int32_t skip) {
  int32_t best = INT32_MAX;
  for (int c = 0; c < 16; ++c) {
    const int32_t key = c == skip ? INT32_MAX : score[c] << 4 | PAL_TIE[c];  // scores stay within 0..2^26
    best = key < best ? key : best;
  }
  return 15 - (best & 15);
}

// Nearest keys of recently seen colours: drawn pictures use few colours, so
// most pixels of busy frames are found here. A pure function's memo: results
// are the same with or without it.
constexpr int KEY_CACHE_BITS = 12;
uint32_t key_cache_colour[1 << KEY_CACHE_BITS];
int32_t key_cache_key[1 << KEY_CACHE_BITS];
constexpr uint32_t KEY_CACHE_EMPTY = 0xFF000000u;  // no 24-bit colour looks like this
bool key_cache_ready = false;

__attribute__((target_clones("avx2", "default")))
int32_t nearest_key_slow(int32_t r, int32_t g, int32_t b) { return nearest_key(r, g, b); }

inline int32_t cached_nearest_key(Pixel p) {
  const uint32_t colour = p & 0xFFFFFF;
  const uint32_t slot = (colour * 2654435761u) >> (32 - KEY_CACHE_BITS);
  if (key_cache_colour[slot] != colour) {
    key_cache_colour[slot] = colour;
    key_cache_key[slot] = nearest_key_slow(static_cast<int32_t>(pixel_r(p)), static_cast<int32_t>(pixel_g(p)),
                                           static_cast<int32_t>(pixel_b(p)));
  }
  return key_cache_key[slot];
}

// The pattern path's colour pair.
void pattern_pair(const Pixel px[9], int32_t* background, int32_t* foreground) {
  if (!key_cache_ready) {
    for (uint32_t& c : key_cache_colour) c = KEY_CACHE_EMPTY;
    key_cache_ready = true;
  }
  int32_t score[16];
  for (int32_t& s : score) s = SCORE_START;
#pragma GCC unroll 9
  for (int k = 0; k < 9; ++k) {
    const int32_t key = cached_nearest_key(px[k]);
    score[15 - (key & 15)] += (key >> 4) - SCORE_STEP;
  }
  *background = lowest_score(score, -1);
  *foreground = lowest_score(score, *background);
}

// float(6 / (level + 1)) for each level.
constexpr float LEVEL_SCALE[PATTERN_LEVELS] = {6.0f, 3.0f, 2.0f, 1.5f, static_cast<float>(6.0 / 5), 1.0f};
constexpr int32_t POW3[9] = {1, 3, 9, 27, 81, 243, 729, 2187, 6561};

// A pixel's pattern digit is min(2, trunc(share * 2.5 * scale)). The rounded
// product never falls as the share grows, so the digit is the number of two
// thresholds the share reaches: the smallest floats whose product is at
// least 1 and at least 2, found with that same expression.
struct DigitThresholds {
  float at_least[PATTERN_LEVELS][2];
  DigitThresholds() {
    for (int level = 0; level < PATTERN_LEVELS; ++level) {
      const double scale = LEVEL_SCALE[level];
      for (int digit = 1; digit <= 2; ++digit) {
        float t = static_cast<float>(digit / (2.5 * scale));
        while (static_cast<int32_t>(t * 2.5 * scale) >= digit) t = std::nextafter(t, 0.0f);
        while (static_cast<int32_t>(t * 2.5 * scale) < digit) t = std::nextafter(t, 2.0f);
        at_least[level][digit - 1] = t;
      }
    }
  }
};
const DigitThresholds digit_thresholds;

// Foreground share of a pixel between palette colours c1 and c2. e1 and e2 are
// distance / 256, exact in single precision (distances stay below 2^24), so
// (e1 - e2) / T equals (d1 - d2) / (d1 + d2) bit for bit; T = 0 gives 0.
float pixel_share(Pixel p, const ColorSample* c1, const ColorSample* c2) {
  const int32_t r = static_cast<int32_t>(pixel_r(p)), g = static_cast<int32_t>(pixel_g(p));
  const int32_t b = static_cast<int32_t>(pixel_b(p));
  const int32_t rm1 = (c1->r + r) >> 1, rm2 = (c2->r + r) >> 1;
  const int32_t dr1 = c1->r - r, dg1 = c1->g - g, db1 = c1->b - b;
  const int32_t dr2 = c2->r - r, dg2 = c2->g - g, db2 = c2->b - b;
  const int32_t d1 = (((512 + rm1) * dr1 * dr1) >> 8) + 4 * dg1 * dg1 + (((767 - rm1) * db1 * db1) >> 8);
  const int32_t d2 = (((512 + rm2) * dr2 * dr2) >> 8) + 4 * dg2 * dg2 + (((767 - rm2) * db2 * db2) >> 8);
  if (d1 + d2 == 0) return 0.0f;
  const float v = static_cast<float>(static_cast<double>(d1 - d2) / (d1 + d2) + static_cast<double>(MIX_BIAS));
  // Two selects rather than branches: shares fall on either side at random.
  const float above_zero = v < 0.0f ? 0.0f : v;
  return above_zero > 1.0f ? 1.0f : above_zero;
}

// Shares by colour and pair (a 32-bit tag, stored plus one so 0 means empty);
// like the key cache, a memo of a pure function.
constexpr int SHARE_CACHE_BITS = 12;
uint64_t share_cache_tag[1 << SHARE_CACHE_BITS];
float share_cache_value[1 << SHARE_CACHE_BITS];

inline float cached_share(Pixel p, int32_t pair, const ColorSample* c1, const ColorSample* c2) {
  const uint32_t tag = (p & 0xFFFFFF) | static_cast<uint32_t>(pair) << 24;
  const uint32_t slot = (tag * 2654435761u) >> (32 - SHARE_CACHE_BITS);
  if (share_cache_tag[slot] != tag + 1ull) {
    share_cache_tag[slot] = tag + 1ull;
    share_cache_value[slot] = pixel_share(p, c1, c2);
  }
  return share_cache_value[slot];
}

// The glyph picker's CharMap index.
int32_t glyph_index(const Pixel px[9], int32_t bg, int32_t fg) {
  const ColorSample* c1 = &CONSOLE_PALETTE[bg];
  const ColorSample* c2 = &CONSOLE_PALETTE[fg];
  const int32_t pair = bg << 4 | fg;
  float share[9];
  float m = 0.0f;
#pragma GCC unroll 9
  for (int k = 0; k < 9; ++k) {
    share[k] = cached_share(px[k], pair, c1, c2);
    m = share[k] > m ? share[k] : m;
  }
  int32_t level = static_cast<int32_t>(6.0 * m - 0.5);
  level = level < 0 ? 0 : level > PATTERN_LEVELS - 1 ? PATTERN_LEVELS - 1 : level;
  const float one = digit_thresholds.at_least[level][0], two = digit_thresholds.at_least[level][1];
  int32_t code = 0;
#pragma GCC unroll 9
  for (int k = 0; k < 9; ++k) code += ((share[k] >= one) + (share[k] >= two)) * POW3[k];
  return level * PATTERN_CODES + code;
}

// Unsigned arithmetic wraps like the int32 definition; the 15-bit masks drop
// every bit where arithmetic and logical shifts differ, so this equals it and
// can run at compile time.
constexpr int32_t dither_hash(int32_t a, int32_t b, int32_t mask) {
  const uint32_t A = static_cast<uint32_t>(a) * 214013u + 2531101u;
  const uint32_t B = static_cast<uint32_t>(b) * 214031u + 2513101u;
  const uint32_t h = ((A ^ B) >> 16) & 0x7FFF;
  return static_cast<int32_t>(((h * 214013u + 2531011u) >> 16) & static_cast<uint32_t>(mask) & 0x7FFF);
}

struct DitherTable {
  uint8_t value[CONSOLE_ROWS_MAX][CONSOLE_COLS_MAX];
};
constexpr DitherTable make_dither_table() {
  DitherTable t{};
  for (int row = 0; row < CONSOLE_ROWS_MAX; ++row)
    for (int col = 0; col < CONSOLE_COLS_MAX; ++col) t.value[row][col] = static_cast<uint8_t>(dither_hash(col, row, 3));
  return t;
}
// The ramp dither of every cell of the frame, fixed by position.
constexpr DitherTable DITHER = make_dither_table();

inline int32_t cell_dither(int col, int row) {
  if (static_cast<unsigned>(col) < CONSOLE_COLS_MAX && static_cast<unsigned>(row) < CONSOLE_ROWS_MAX)
    return DITHER.value[row][col];
  return dither_hash(col, row, 3);
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

int32_t cell_dither_hash(int32_t a, int32_t b, int32_t mask) { return dither_hash(a, b, mask); }

namespace {

void analyse_block(const Pixel (&px)[9], ColorSample* background, ColorSample* foreground, float* mix) {
  // One pass: sum (m - x)^2 = sum x^2 - 2 m sum x + 9 m^2, exact in integers.
  // Channels in 16-bit lanes (alpha cleared), two pixels to a register: the
  // sums stay below 9 * 255 and the squares are summed in 32-bit lanes.
  const __m128i colour = _mm_set1_epi32(0x00FFFFFF), zero = _mm_setzero_si128();
  const __m128i p0 = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(px)), colour);
  const __m128i p1 = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(px + 4)), colour);
  const __m128i p2 = _mm_cvtsi32_si128(static_cast<int>(px[8] & 0x00FFFFFF));
  const __m128i a = _mm_unpacklo_epi8(p0, zero), b = _mm_unpackhi_epi8(p0, zero);
  const __m128i c = _mm_unpacklo_epi8(p1, zero), d = _mm_unpackhi_epi8(p1, zero);
  const __m128i e = _mm_unpacklo_epi8(p2, zero);
  const __m128i sums = _mm_add_epi16(_mm_add_epi16(_mm_add_epi16(a, b), _mm_add_epi16(c, d)), e);
  __m128i squares = _mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(a, a), _mm_madd_epi16(b, b)),
                                  _mm_add_epi32(_mm_madd_epi16(c, c), _mm_madd_epi16(d, d)));
  squares = _mm_add_epi32(squares, _mm_madd_epi16(e, e));
  squares = _mm_add_epi32(squares, _mm_shuffle_epi32(squares, 0x4E));
  squares = _mm_add_epi32(squares, _mm_shuffle_epi32(squares, 0xB1));
  const int32_t sum_r = _mm_extract_epi16(sums, 0) + _mm_extract_epi16(sums, 4);
  const int32_t sum_g = _mm_extract_epi16(sums, 1) + _mm_extract_epi16(sums, 5);
  const int32_t sum_b = _mm_extract_epi16(sums, 2) + _mm_extract_epi16(sums, 6);
  const int32_t sum_squares = _mm_cvtsi128_si32(squares);
  const int32_t mean_r = sum_r / 9, mean_g = sum_g / 9, mean_b = sum_b / 9;
  const int32_t spread = sum_squares - 2 * (mean_r * sum_r + mean_g * sum_g + mean_b * sum_b) +
                         9 * (mean_r * mean_r + mean_g * mean_g + mean_b * mean_b);

  if (spread / 9 <= FLAT_SPREAD_LIMIT) {
    const int32_t i = color15(mean_r, mean_g, mean_b);
    background->index = ColorPairMap[i] >> 4;
    foreground->index = ColorPairMap[i] & 0x0F;
    *mix = ColorMixMap[i];
    return;
  }

  pattern_pair(px, &background->index, &foreground->index);
  *mix = -1.0f;
}

// The glyph for a block already read, between its two palette colours.
uint8_t block_glyph(const Pixel (&px)[9], const ColorSample* background, const ColorSample* foreground) {
  return CharMap[glyph_index(px, background->index & 15, foreground->index & 15)];
}

}  // namespace

void cell_analyse(const Pixel* frame, int col, int row, ColorSample* background,
                  ColorSample* foreground, float* mix) {
  Pixel px[9];
  block_pixels(frame, col, row, px);
  analyse_block(px, background, foreground, mix);
}

uint8_t cell_pick_glyph(const Pixel* frame, int col, int row, const ColorSample* background,
                        const ColorSample* foreground) {
  Pixel px[9];
  block_pixels(frame, col, row, px);
  return block_glyph(px, background, foreground);
}

uint8_t cell_convert(const Pixel* frame, int col, int row, uint8_t* character) {
  ColorSample background, foreground;
  float mix;
  Pixel px[9];
  block_pixels(frame, col, row, px);
  analyse_block(px, &background, &foreground, &mix);
  if (mix < 0.0f) {
    *character = block_glyph(px, &background, &foreground);
  } else {
    const int32_t j = trunc_i32(static_cast<double>(mix) * 2 * 37) ^ cell_dither(col, row);
    *character = DENSITY_RAMP[static_cast<uint32_t>(j) > 36 ? 36 : j];
  }
  return static_cast<uint8_t>(background.index << 4 | foreground.index);
}
