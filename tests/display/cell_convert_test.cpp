// Cell converter: the path choice, tie rules, dither, ramp clamping and the
// glyph picker's digits, against hand-worked blocks; its twins against each other.
#include "display/cell_convert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <random>
#include <tuple>

#include "common/simd.h"
#include "display/cell_convert_lanes.h"
#include "display/grid_fit.h"
#include "display/lookup_tables.h"
#include "display/nearest_candidates.h"
#include "support/skip_policy.h"

namespace {

class CellConvert : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(CharMap, 0, sizeof CharMap);
    std::memset(ColorPairMap, 0, sizeof ColorPairMap);
    std::memset(ColorMixMap, 0, sizeof ColorMixMap);
    std::fill(frame, frame + FRAME_PIXELS, pixel_rgba(0, 0, 0));
  }
  // Block of cell (col, row), pixels k = 0..8 row-major.
  void set_block(int col, int row, const Pixel px[9]) {
    for (int k = 0; k < 9; ++k) frame[(row * 3 + k / 3) * FRAME_W + col * 3 + k % 3] = px[k];
  }
  void fill(Pixel p) { std::fill(frame, frame + FRAME_PIXELS, p); }
  // Tables that reach every path: glyphs by code, ramp mixes and, for every
  // tenth colour, a negative mix that sends a flat block to the glyph picker.
  static void fill_tables() {
    for (int i = 0; i < CHAR_MAP_SIZE; ++i) CharMap[i] = static_cast<uint8_t>(i * 7 + i / 251);
    for (int i = 0; i < COLOR_CODES; ++i) {
      ColorPairMap[i] = static_cast<uint8_t>(i * 13);
      ColorMixMap[i] = i % 10 ? static_cast<float>(i % 97) / 96.0f : -0.5f;
    }
  }
  Pixel frame[FRAME_PIXELS];
};

Pixel grey(uint32_t v) { return pixel_rgba(v, v, v); }

TEST(CellColor, DistanceAndNearestWithTies) {
  ColorSample red{255, 0, 0, -1}, black{0, 0, 0, -1};
  EXPECT_EQ(cell_color_distance(&red, &black), 162308 + 0 + 0);  // (639 * 65025) / 256
  // (64, 64, 64) lies exactly as far from black as from grey 8: the higher number wins.
  ColorSample dark{64, 64, 64, -1}, white{255, 255, 255, -1};
  EXPECT_EQ(cell_nearest_color(&dark), 36848);
  EXPECT_EQ(cell_nearest_color(&white), 0);
  EXPECT_EQ(std::tuple(dark.index, white.index), std::tuple(8, 15));
}

TEST(CellColor, DitherHashIsTheFixedPositionHash) {
  EXPECT_EQ(std::tuple(cell_dither_hash(0, 0, 3), cell_dither_hash(1, 0, 3), cell_dither_hash(79, 49, 3)), std::tuple(2, 3, 3));
  EXPECT_EQ(cell_dither_hash(79, 49, 0xFFFF), 1651);  // the mask never passes bit 15
  EXPECT_EQ(cell_dither_hash(-3, 100000, 0x7FFF), 5197);
}

// The flat test's limit (a spread of 256 is flat, 257 is not) and the tie
// rules of the pattern pair.
TEST_F(CellConvert, FlatLimitAndPatternPairWithTies) {
  const auto analyse = [this](const Pixel px[9]) {
    set_block(3, 4, px);
    ColorSample bg, fg;
    float mix;
    cell_analyse(frame, 3, 4, &bg, &fg, &mix);
    return std::tuple(bg.index, fg.index, mix);
  };
  ColorPairMap[color15(5, 0, 0)] = 0xAB;
  ColorMixMap[color15(5, 0, 0)] = 0.25f;
  Pixel px[9] = {pixel_rgba(51, 0, 0), pixel_rgba(1, 0, 0)};
  for (int k = 2; k < 9; ++k) px[k] = grey(0);
  EXPECT_EQ(analyse(px), std::tuple(0xA, 0xB, 0.25f));  // mean 5, spread 2307 / 9 = 256
  px[1] = grey(0);  // spread 2316 / 9 = 257; all nine nearest black: the foreground is the highest untouched colour
  EXPECT_EQ(analyse(px), std::tuple(0, 15, -1.0f));
  // Four of one colour, five of another.
  for (const auto& [four, five, bg, fg] : {std::tuple(pixel_rgba(255, 0, 0), pixel_rgba(200, 0, 0), 12, 15),  // all nearest red 12
                                           std::tuple(grey(255), grey(230), 15, 14),  // all nearest white 15
                                           std::tuple(grey(255), grey(0), 0, 15)}) {  // five black: the lower score
    for (int k = 0; k < 9; ++k) px[k] = k % 2 ? four : five;
    EXPECT_EQ(analyse(px), std::tuple(bg, fg, -1.0f));
  }
}

// A flat block's cell depends only on its colour's table entry and its
// position (the dither), and the ramp index never leaves the ramp.
TEST_F(CellConvert, FlatBlockTakesItsRampEntryDitheredAndClamped) {
  uint8_t ch = 0xFF;
  fill(pixel_rgba(90, 180, 30));  // zero tables: black spaces
  EXPECT_EQ(std::tuple(cell_convert(frame, 79, 49, &ch), ch), std::tuple(0x00, 0x20));
  int32_t i = color15(200, 100, 40);
  ColorPairMap[i] = 0x6E;
  ColorMixMap[i] = 0.33f;  // ramp index 24: with dither 0..3 entries 24..27
  fill(pixel_rgba(200, 100, 40));
  EXPECT_EQ(std::tuple(cell_convert(frame, 12, 0, &ch), ch), std::tuple(0x6E, 0x09));  // dither 0: 24
  EXPECT_EQ(std::tuple(cell_convert(frame, 22, 0, &ch), ch), std::tuple(0x6E, 0x4F));  // dither 1: 25
  fill(pixel_rgba(207, 103, 47));  // the same 15-bit box
  EXPECT_EQ(std::tuple(cell_convert(frame, 12, 0, &ch), ch), std::tuple(0x6E, 0x09));

  i = color15(0, 0, 0);
  ColorPairMap[i] = 0x10;
  fill(pixel_rgba(0, 0, 0));
  // 0.5: 37 XOR 0..3 is 36..39, all clamped to 36 (code 0). From about
  // 0.4865 (36 / 74) up every position is empty; just below, not all. Damaged
  // tables (huge or NaN) must not index outside the ramp either.
  for (float m : {0.5f, 0.4865f, 1e10f, std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
    ColorMixMap[i] = m;
    for (int col = 0; col < 4; ++col) {
      cell_convert(frame, col, 0, &ch);
      EXPECT_EQ(ch, 0x00) << m << " " << col;
    }
  }
  ColorMixMap[i] = 0.486f;  // 35 XOR 2 = 33 at (0, 0)
  cell_convert(frame, 0, 0, &ch);
  EXPECT_EQ(ch, 0xB1);
  ColorMixMap[i] = 0.0f;  // spaces in the background colour
  EXPECT_EQ(std::tuple(cell_convert(frame, 1, 0, &ch), ch), std::tuple(0x10, 0x20));
}

TEST_F(CellConvert, GlyphDigitsAndLevels) {
  const ColorSample black{0, 0, 0, 0}, white{0, 0, 0, 15};
  Pixel px[9];
  // Strongest share just over 0.25 (grey 105): level 1, and that pixel itself gets digit 1.
  for (Pixel& p : px) p = grey(0);
  px[4] = grey(105);
  set_block(0, 0, px);
  CharMap[1 * PATTERN_CODES + 81] = 0x51;
  EXPECT_EQ(cell_pick_glyph(frame, 0, 0, &black, &white), 0x51);
  // m = 1: white gives 2, share 0.56 (grey 125) gives 1, share 0.33 (grey 110) gives 0.
  px[0] = grey(255);
  px[1] = grey(125);
  px[4] = grey(110);
  set_block(0, 0, px);
  CharMap[5 * PATTERN_CODES + 2 + 1 * 3] = 0x52;
  EXPECT_EQ(cell_pick_glyph(frame, 0, 0, &black, &white), 0x52);
  // All shares 0: CharMap[0]; so is a pair of one colour (T = 0), which a
  // flat block with a negative mix in the table brings to the glyph picker.
  for (Pixel& p : px) p = grey(0);
  set_block(0, 0, px);
  CharMap[0] = 0x53;
  EXPECT_EQ(cell_pick_glyph(frame, 0, 0, &black, &white), 0x53);
  ColorPairMap[color15(0, 128, 128)] = 0x33;
  ColorMixMap[color15(0, 128, 128)] = -0.5f;
  fill(pixel_rgba(0, 128, 128));
  uint8_t ch;
  EXPECT_EQ(std::tuple(cell_convert(frame, 40, 20, &ch), ch), std::tuple(0x33, 0x53));
}

// The nearest colour of every colour is among its cube's candidates: checked
// at each cube's corners (where bounds are tight) and at random inner points.
TEST(NearestCandidates, HoldTheNearestColourOfEveryCube) {
  std::mt19937 rng(23);
  for (int i = 0; i < COLOR_CODES; ++i) {
    const int32_t r0 = (i >> 10) * 8, g0 = (i >> 5 & 31) * 8, b0 = (i & 31) * 8;
    for (int k = 0; k < 10; ++k) {
      const uint32_t v = rng();
      ColorSample s = k < 8 ? ColorSample{r0 + (k & 1) * 7, g0 + (k >> 1 & 1) * 7, b0 + (k >> 2) * 7, -1}
                            : ColorSample{r0 + int32_t(v & 7), g0 + int32_t(v >> 3 & 7), b0 + int32_t(v >> 6 & 7), -1};
      cell_nearest_color(&s);
      ASSERT_TRUE(NEAREST_CANDIDATES.mask[i] >> s.index & 1) << i << " " << k;
    }
  }
}

// The twins give the same cells on the show's kinds of pictures (noise, flat
// blocks, two-colour detail, and one that keeps most blocks of the one before)
// at the console's, fitted and extreme sizes, each picture whole and as the
// changes over the one before. At the console size the cells are those of
// cell_convert, and the one-cell twins agree on every cell, for its own pair
// and a given one.
TEST_F(CellConvert, TwinsGiveTheSameCellsWholeAndByChanges) {
  if (!cpu_has_avx2()) GTEST_SKIP() << SKIP_NO_AVX2;
  fill_tables();
  static Pixel picture[FRAME_PIXELS * 9], previous[2][FRAME_PIXELS * 9];
  static uint8_t cells[4][2][GRID_COLS_MAX * GRID_ROWS_MAX];  // characters and attributes: whole, then by changes
  const decltype(&cell_convert_grid_plain) twins[2] = {cell_convert_grid_plain, cell_convert_grid_avx2};
  const auto bytes = [](CellBlock b) { return std::tuple(b.background, b.foreground, std::bit_cast<uint32_t>(b.mix), b.glyph); };
  std::mt19937 rng(29);
  for (const auto& [cols, rows] : {std::pair(80, 50), std::pair(77, 24), std::pair(160, 50), std::pair(1, 1), std::pair(240, 150)}) {
    const int width = 3 * cols, pixels = 9 * cols * rows, count = cols * rows;
    for (int kind = 0; kind < 4; ++kind) {
      const Pixel ink[2] = {pixel_rgba(rng(), rng(), rng()), pixel_rgba(rng(), rng(), rng())};
      for (int p = 0; p < pixels; ++p) {
        const int x = p % width, y = p / width, block = y / 3 * cols + x / 3;
        const uint32_t v = rng() & 0xFFFFFF;
        if (kind == 0) picture[p] = v;
        if (kind == 1) picture[p] = pixel_rgba(block * 37, block * 11, block % 5 * 60 + (v & 1));
        if (kind == 2) picture[p] = ink[(x * 7 + y * 3 + x / 5 + (v % 9 == 0)) % 2];
        // Kept blocks but for a few, some changed only in their last pixel.
        if (kind == 3 && block % 7 == 0 && x % 3 == 2 && y % 3 == 2) picture[p] = ~picture[p] & 0xFFFFFF;
        if (kind == 3 && block % 11 == 0) picture[p] = v;
      }
      for (int t = 0; t < 2; ++t) {
        // The first picture differs from `previous` in every block.
        if (kind == 0) std::transform(picture, picture + pixels, previous[t], [](Pixel p) { return ~p; });
        twins[t](picture, cols, rows, nullptr, cells[t][0], cells[t][1]);
        twins[t](picture, cols, rows, previous[t], cells[2 + t][0], cells[2 + t][1]);
        ASSERT_TRUE(std::equal(picture, picture + pixels, previous[t])) << cols << "x" << rows << " " << kind;
      }
      for (int run = 1; run < 4; ++run)
        for (int part = 0; part < 2; ++part)
          ASSERT_TRUE(std::equal(cells[0][part], cells[0][part] + count, cells[run][part]))
              << cols << "x" << rows << " picture " << kind << " run " << run;
      if (cols != 80) continue;
      std::copy(picture, picture + pixels, frame);
      for (int i = 0; i < count; ++i) {
        const int col = i % 80, row = i / 80, pair = i % 4 ? -1 : i % 256;
        uint8_t ch = 0;
        const uint8_t attribute = cell_convert(frame, col, row, &ch);
        ASSERT_EQ(std::tuple(cells[0][1][i], cells[0][0][i]), std::tuple(attribute, ch)) << kind << " cell " << i;
        ASSERT_EQ(bytes(cell_block_plain(frame, col, row, pair)), bytes(cell_block_avx2(frame, col, row, pair)));
      }
    }
  }
}

}  // namespace
