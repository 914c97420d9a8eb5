#include "display/cell_convert.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "common/numeric.h"
#include "common/simd.h"
#include "display/cell_color.h"
#include "display/cell_convert_lanes.h"
#include "display/grid_fit.h"
#include "display/lookup_tables.h"
#include "display/nearest_candidates.h"

const uint8_t DENSITY_RAMP[DENSITY_RAMP_SIZE] = {
    0x20, 0x20, 0x20, 0x20, 0xFA, 0xF9, 0xF9, 0xF9, 0x3A, 0x3A, 0x3A, 0x3A, 0x07,
    0x07, 0x07, 0x2B, 0xB0, 0xB0, 0xB0, 0xB0, 0x09, 0x09, 0x09, 0x09, 0x09, 0x4F,
    0x4F, 0x4F, 0x4F, 0xE9, 0xE9, 0xE9, 0xB1, 0xB1, 0xB1, 0xB1, 0x00,
};

namespace {

constexpr int CONSOLE_COLS_MAX = FRAME_W / 3;
constexpr int CONSOLE_ROWS_MAX = FRAME_H / 3;
constexpr int32_t SCORE_START = 9 * 65536;
constexpr int32_t SCORE_STEP = 65536;

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

// A block in two halves of eight 32-bit lanes, four lanes per pixel row:
// pixel (x, y) sits in lane 4y + x, counting on from the top half into the
// bottom one. Lanes 3, 7 and 11 (the pixel right of the block) and 12-15 are
// spare; every step below leaves them out. Eight lanes fit the registers of
// AVX2 machines as well as AVX-512 ones.
using Ints4 = int32_t __attribute__((vector_size(16)));
using Ints8 = int32_t __attribute__((vector_size(32)));
using Floats8 = float __attribute__((vector_size(32)));
using Doubles8 = double __attribute__((vector_size(64)));

constexpr int lane_of_pixel(int k) { return k + k / 3; }
constexpr Ints8 IN_BLOCK[2] = {{-1, -1, -1, 0, -1, -1, -1, 0}, {-1, -1, -1, 0, 0, 0, 0, 0}};
// Pattern digit weights 3^k by lane.
constexpr Ints8 POW3[2] = {{1, 3, 9, 0, 27, 81, 243, 0}, {729, 2187, 6561, 0, 0, 0, 0, 0}};
// Lane c (of both halves) holds 15 - c: ORed under a score or distance shifted
// up by four, the smallest key prefers the highest colour number among equal values.
constexpr Ints8 TIE[2] = {{15, 14, 13, 12, 11, 10, 9, 8}, {7, 6, 5, 4, 3, 2, 1, 0}};

// The lane helpers are always inlined into the twins below, so the ABI of
// passing vectors by value (which the compiler warns about) never applies.
#pragma GCC diagnostic ignored "-Wpsabi"

// The first `count` pixels from p; the lanes past them are 0.
[[gnu::always_inline]] inline Ints4 load(const Pixel* p, int count = 4) {
  Ints4 v = {};
  std::memcpy(&v, p, count * sizeof(Pixel));
  return v;
}

struct Channels {
  Ints8 r[2], g[2], b[2];
};

// Straight from the picture (`width` pixels a row), four pixels a row; the
// last column reads only its three, as the fourth would lie past the
// picture's end (its lane is spare either way).
[[gnu::always_inline]] inline Channels load_block(const Pixel* frame, int col, int row, int width = FRAME_W) {
  const Pixel* p = frame + (row * 3) * width + col * 3;
  Ints4 a, b, c;
  if (col * 3 + 4 <= width) {
    a = load(p), b = load(p + width), c = load(p + 2 * width);
  } else {
    a = load(p, 3), b = load(p + width, 3), c = load(p + 2 * width, 3);
  }
  const Ints8 half[2] = {__builtin_shufflevector(a, b, 0, 1, 2, 3, 4, 5, 6, 7),
                         __builtin_shufflevector(c, c - c, 0, 1, 2, 3, 4, 5, 6, 7)};
  Channels out;
  for (int h = 0; h < 2; ++h) {
    out.r[h] = half[h] & 0xFF;
    out.g[h] = (half[h] >> 8) & 0xFF;
    out.b[h] = (half[h] >> 16) & 0xFF;
  }
  return out;
}

// Folds eight lanes into one with `pick`, halving the lanes each step.
template <class V8, class Pick>
[[gnu::always_inline]] inline auto fold8(V8 v, Pick pick) {
  auto q = pick(__builtin_shufflevector(v, v, 0, 1, 2, 3), __builtin_shufflevector(v, v, 4, 5, 6, 7));
  q = pick(q, __builtin_shufflevector(q, q, 2, 3, 0, 1));
  q = pick(q, __builtin_shufflevector(q, q, 1, 0, 3, 2));
  return q[0];
}

[[gnu::always_inline]] inline int32_t lane_sum(Ints8 v) {
  return fold8(v, [](auto x, auto y) { return x + y; });
}

template <class V>
[[gnu::always_inline]] inline V smaller(V x, V y) {
  return x < y ? x : y;
}

[[gnu::always_inline]] inline int32_t lane_min(Ints8 v) {
  return fold8(v, [](auto x, auto y) { return smaller(x, y); });
}

// Colour distance of every lane to one palette colour. Channels are 0-255, so
// every divided product is non-negative and the divisions by 2 and 256 are shifts.
[[gnu::always_inline]] inline Ints8 lane_distance(const Channels& p, int h, const ColorSample& c) {
  const Ints8 rm = (p.r[h] + c.r) >> 1;
  const Ints8 dr = p.r[h] - c.r, dg = p.g[h] - c.g, db = p.b[h] - c.b;
  return (((512 + rm) * dr * dr) >> 8) + 4 * dg * dg + (((767 - rm) * db * db) >> 8);
}

// The flat test: sum (m - x)^2 = sum x^2 - 2 m sum x + 9 m^2, exact in
// integers. Red and green sums share a lane (each stays below 9 * 255).
struct Spread {
  int32_t mean_r, mean_g, mean_b;
  bool flat;
};

[[gnu::always_inline]] inline Spread block_spread(const Channels& p) {
  Ints8 red_green = {}, blue = {}, squares = {};
  for (int h = 0; h < 2; ++h) {
    const Ints8 r = p.r[h] & IN_BLOCK[h], g = p.g[h] & IN_BLOCK[h], b = p.b[h] & IN_BLOCK[h];
    red_green += r | g << 16;
    blue += b;
    squares += r * r + g * g + b * b;
  }
  const int32_t sums = lane_sum(red_green), sum_b = lane_sum(blue), sum_squares = lane_sum(squares);
  const int32_t sum_r = sums & 0xFFFF, sum_g = sums >> 16;
  const int32_t mean_r = sum_r / 9, mean_g = sum_g / 9, mean_b = sum_b / 9;
  const int32_t spread = sum_squares - 2 * (mean_r * sum_r + mean_g * sum_g + mean_b * sum_b) +
                         9 * (mean_r * mean_r + mean_g * mean_g + mean_b * mean_b);
  return {mean_r, mean_g, mean_b, spread / 9 <= FLAT_SPREAD_LIMIT};
}

// The pattern path's colour pair. Each pixel's nearest colour is its smallest
// (distance << 4 | 15 - colour), searched only among the colours that can be
// nearest to one of the nine; then lane c of the scores belongs to colour c.
[[gnu::always_inline]] inline void pattern_pair(const Channels& p, int32_t* background, int32_t* foreground) {
  Ints8 cube[2], best[2];
  for (int h = 0; h < 2; ++h) {
    cube[h] = (p.r[h] >> 3) << 10 | (p.g[h] >> 3) << 5 | (p.b[h] >> 3);
    best[h] = Ints8{} + INT32_MAX;
  }
  uint32_t candidates = 0;
#pragma GCC unroll 9
  for (int k = 0; k < 9; ++k) candidates |= NEAREST_CANDIDATES.mask[cube[lane_of_pixel(k) / 8][lane_of_pixel(k) % 8]];
  for (; candidates != 0; candidates &= candidates - 1) {
    const int c = __builtin_ctz(candidates);
    for (int h = 0; h < 2; ++h) best[h] = smaller(lane_distance(p, h, CONSOLE_PALETTE[c]) << 4 | (15 - c), best[h]);
  }
  Ints8 score[2] = {Ints8{} + SCORE_START, Ints8{} + SCORE_START};
#pragma GCC unroll 9
  for (int k = 0; k < 9; ++k) {
    const int32_t key = best[lane_of_pixel(k) / 8][lane_of_pixel(k) % 8];
    for (int h = 0; h < 2; ++h) score[h] += ((key & 15) == TIE[h]) & ((key >> 4) - SCORE_STEP);
  }
  const Ints8 keys[2] = {score[0] << 4 | TIE[0], score[1] << 4 | TIE[1]};  // scores stay within 0..2^26
  const int32_t first = lane_min(smaller(keys[0], keys[1])) & 15;
  *background = 15 - first;
  const Ints8 taken = Ints8{} + INT32_MAX;
  *foreground = 15 - (lane_min(smaller(TIE[0] == first ? taken : keys[0], TIE[1] == first ? taken : keys[1])) & 15);
}

// float(6 / (level + 1)) for each level.
constexpr float LEVEL_SCALE[PATTERN_LEVELS] = {6.0f, 3.0f, 2.0f, 1.5f, static_cast<float>(6.0 / 5), 1.0f};

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

// Foreground share of each pixel between palette colours c1 and c2, eight
// lanes at a time. e1 and e2 are distance / 256, exact in single precision
// (distances stay below 2^24), so (e1 - e2) / T equals (d1 - d2) / (d1 + d2)
// bit for bit; T = 0 gives 0, as do the spare lanes.
[[gnu::always_inline]] inline Floats8 share_half(const Channels& p, int h, int32_t bg, int32_t fg) {
  const Ints8 d1 = lane_distance(p, h, CONSOLE_PALETTE[bg]), d2 = lane_distance(p, h, CONSOLE_PALETTE[fg]);
  const Ints8 total = d1 + d2;
  const Floats8 quotient = __builtin_convertvector(
      __builtin_convertvector(d1 - d2, Doubles8) / __builtin_convertvector(total, Doubles8) +
          static_cast<double>(MIX_BIAS),
      Floats8);
  const Floats8 zero = {};  // not quotient - quotient: the 0 / 0 lanes are NaN
  Floats8 share = ((total == 0) | (IN_BLOCK[h] == 0)) ? zero : quotient;
  share = share < 0.0f ? zero : share;
  return share > 1.0f ? zero + 1.0f : share;
}

// The glyph picker's CharMap index.
[[gnu::always_inline]] inline int32_t glyph_index(const Channels& p, int32_t bg, int32_t fg) {
  const Floats8 top = share_half(p, 0, bg, fg), bottom = share_half(p, 1, bg, fg);
  const float m = fold8(top > bottom ? top : bottom, [](auto x, auto y) { return x > y ? x : y; });
  int32_t level = static_cast<int32_t>(6.0 * m - 0.5);
  level = level < 0 ? 0 : level > PATTERN_LEVELS - 1 ? PATTERN_LEVELS - 1 : level;
  const float one = digit_thresholds.at_least[level][0], two = digit_thresholds.at_least[level][1];
  const Ints8 digits_top = -((top >= one) + (top >= two)), digits_bottom = -((bottom >= one) + (bottom >= two));
  return level * PATTERN_CODES + lane_sum(digits_top * POW3[0] + digits_bottom * POW3[1]);
}

// Colours of a block: the flat path's table entry, or the pattern pair with mix -1.
struct BlockColours {
  int32_t background, foreground;
  float mix;
};

[[gnu::always_inline]] inline BlockColours block_colours(const Channels& p) {
  const Spread s = block_spread(p);
  BlockColours out;
  if (s.flat) {
    const int32_t i = color15(s.mean_r, s.mean_g, s.mean_b);
    return {ColorPairMap[i] >> 4, ColorPairMap[i] & 0x0F, ColorMixMap[i]};
  }
  pattern_pair(p, &out.background, &out.foreground);
  out.mix = -1.0f;
  return out;
}

}  // namespace

int32_t cell_pattern_code(const int32_t digits[9]) {
  int32_t code = 0;
  for (int k = 8; k >= 0; --k) code = code * 3 + digits[k];
  return code;
}

int32_t cell_dither_hash(int32_t a, int32_t b, int32_t mask) { return dither_hash(a, b, mask); }

namespace {

// The flat path's character: the mix picks a ramp entry, dithered by position.
inline uint8_t ramp_character(float mix, int col, int row) {
  const int32_t j = trunc_to_i32(static_cast<double>(mix) * 2 * 37) ^ cell_dither(col, row);
  return DENSITY_RAMP[static_cast<uint32_t>(j) > 36 ? 36 : j];
}

// Whether the block's nine pixels are those `previous` holds; if not, they
// are copied in. Each row of three is compared as 8 + 4 bytes, without a call.
[[gnu::always_inline]] inline bool block_unchanged(const Pixel* frame, Pixel* previous, int col, int row, int width) {
  const int at = row * 3 * width + col * 3;
  uint64_t differ = 0;
  for (int y = 0; y < 3; ++y) {
    const Pixel* a = frame + at + y * width;
    const Pixel* b = previous + at + y * width;
    uint64_t a01, b01;
    uint32_t a2, b2;
    std::memcpy(&a01, a, 8), std::memcpy(&b01, b, 8);
    std::memcpy(&a2, a + 2, 4), std::memcpy(&b2, b + 2, 4);
    differ |= (a01 ^ b01) | (a2 ^ b2);
  }
  const bool same = differ == 0;
  if (!same) {
    for (int y = 0; y < 3; ++y) std::memcpy(previous + at + y * width, frame + at + y * width, 12);
  }
  return same;
}

// A row at a time in two passes: colours for every cell, then glyphs for the
// pattern cells, so neither pass waits on the other's long chains per block.
// With `previous`, cells whose block it already holds are skipped.
[[gnu::always_inline]] inline void convert_rows(const Pixel* frame, int cols, int rows, Pixel* previous,
                                                uint8_t* characters, uint8_t* attributes) {
  const int width = 3 * cols;
  for (int row = 0; row < rows; ++row) {
    uint8_t* row_characters = characters + row * cols;
    uint8_t* row_attributes = attributes + row * cols;
    uint8_t pattern_cols[GRID_COLS_MAX];
    int patterns = 0;
    for (int col = 0; col < cols; ++col) {
      if (previous && block_unchanged(frame, previous, col, row, width)) continue;
      const BlockColours colours = block_colours(load_block(frame, col, row, width));
      row_attributes[col] = static_cast<uint8_t>(colours.background << 4 | colours.foreground);
      if (colours.mix < 0.0f) {
        pattern_cols[patterns++] = static_cast<uint8_t>(col);
      } else {
        row_characters[col] = ramp_character(colours.mix, col, row);
      }
    }
    for (int i = 0; i < patterns; ++i) {
      const int col = pattern_cols[i];
      row_characters[col] =
          CharMap[glyph_index(load_block(frame, col, row, width), row_attributes[col] >> 4, row_attributes[col] & 15)];
    }
  }
}

// All the single-cell operations need, in one pass over the block.
[[gnu::always_inline]] inline CellBlock one_block(const Pixel* frame, int col, int row, int32_t pair) {
  const Channels p = load_block(frame, col, row);
  const BlockColours colours = block_colours(p);
  const int32_t bg = pair < 0 ? colours.background : pair >> 4 & 15, fg = pair < 0 ? colours.foreground : pair & 15;
  return {colours.background, colours.foreground, colours.mix, CharMap[glyph_index(p, bg, fg)]};
}

}  // namespace

// The lane code above is written once and compiled twice, for any x86-64 and
// for AVX2; the twins below only tell the compiler which.
void cell_convert_grid_plain(const Pixel* picture, int cols, int rows, Pixel* previous, uint8_t* characters,
                             uint8_t* attributes) {
  convert_rows(picture, cols, rows, previous, characters, attributes);
}

SIMD_AVX2 void cell_convert_grid_avx2(const Pixel* picture, int cols, int rows, Pixel* previous,
                                      uint8_t* characters, uint8_t* attributes) {
  convert_rows(picture, cols, rows, previous, characters, attributes);
}

CellBlock cell_block_plain(const Pixel* frame, int col, int row, int32_t pair) {
  return one_block(frame, col, row, pair);
}

SIMD_AVX2 CellBlock cell_block_avx2(const Pixel* frame, int col, int row, int32_t pair) {
  return one_block(frame, col, row, pair);
}

namespace {

const auto convert_grid = simd_pick(cell_convert_grid_plain, cell_convert_grid_avx2);
const auto cell_block = simd_pick(cell_block_plain, cell_block_avx2);

}  // namespace

void cell_analyse(const Pixel* frame, int col, int row, ColorSample* background,
                  ColorSample* foreground, float* mix) {
  const CellBlock block = cell_block(frame, col, row, -1);
  background->index = block.background;
  foreground->index = block.foreground;
  *mix = block.mix;
}

uint8_t cell_pick_glyph(const Pixel* frame, int col, int row, const ColorSample* background,
                        const ColorSample* foreground) {
  return cell_block(frame, col, row, (background->index & 15) << 4 | (foreground->index & 15)).glyph;
}

uint8_t cell_convert(const Pixel* frame, int col, int row, uint8_t* character) {
  const CellBlock block = cell_block(frame, col, row, -1);
  *character = block.mix < 0.0f ? block.glyph : ramp_character(block.mix, col, row);
  return static_cast<uint8_t>(block.background << 4 | block.foreground);
}

void cell_convert_frame(const Pixel* frame, uint8_t* characters, uint8_t* attributes) {
  convert_grid(frame, CONSOLE_COLS_MAX, CONSOLE_ROWS_MAX, nullptr, characters, attributes);
}

void cell_convert_frame_changes(const Pixel* frame, Pixel* previous, uint8_t* characters, uint8_t* attributes) {
  convert_grid(frame, CONSOLE_COLS_MAX, CONSOLE_ROWS_MAX, previous, characters, attributes);
}

void cell_convert_grid(const Pixel* picture, int cols, int rows, Pixel* previous, uint8_t* characters,
                       uint8_t* attributes) {
  convert_grid(picture, cols, rows, previous, characters, attributes);
}
