// Cell converter: the path choice, tie rules, dither, ramp clamping and the
// glyph picker's digits, against hand-worked blocks.
#include "display/cell_convert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>
#include <tuple>

#include "display/lookup_tables.h"
#include "display/nearest_candidates.h"

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

TEST_F(CellConvert, SpreadOf256IsFlatAnd257IsPattern) {
  // Red only: 51, 1, then zeros: mean 5, spread 2307, / 9 = 256.
  const int32_t flat_index = color15(5, 0, 0);
  ColorPairMap[flat_index] = 0xAB;
  ColorMixMap[flat_index] = 0.25f;
  Pixel px[9] = {pixel_rgba(51, 0, 0), pixel_rgba(1, 0, 0)};
  for (int k = 2; k < 9; ++k) px[k] = pixel_rgba(0, 0, 0);
  set_block(3, 4, px);
  ColorSample bg, fg;
  float mix;
  cell_analyse(frame, 3, 4, &bg, &fg, &mix);
  EXPECT_EQ(std::tuple(bg.index, fg.index, mix), std::tuple(0xA, 0xB, 0.25f));

  px[1] = pixel_rgba(0, 0, 0);  // 51 and zeros: spread 2316, / 9 = 257
  set_block(3, 4, px);
  cell_analyse(frame, 3, 4, &bg, &fg, &mix);
  // All nine are nearest black, so the foreground is the highest untouched colour.
  EXPECT_EQ(std::tuple(bg.index, fg.index, mix), std::tuple(0, 15, -1.0f));
}

TEST_F(CellConvert, FlatBlockDependsOnlyOnColourAndPosition) {
  uint8_t ch = 0xFF;
  fill(pixel_rgba(90, 180, 30));  // zero tables: black spaces
  EXPECT_EQ(std::tuple(cell_convert(frame, 79, 49, &ch), ch), std::tuple(0x00, 0x20));
  const int32_t i = color15(200, 100, 40);
  ColorPairMap[i] = 0x6E;
  ColorMixMap[i] = 0.33f;  // ramp index 24: with dither 0..3 entries 24..27
  fill(pixel_rgba(200, 100, 40));
  EXPECT_EQ(std::tuple(cell_convert(frame, 12, 0, &ch), ch), std::tuple(0x6E, 0x09));  // dither 0: 24
  EXPECT_EQ(std::tuple(cell_convert(frame, 22, 0, &ch), ch), std::tuple(0x6E, 0x4F));  // dither 1: 25
  // Any colour of the same 15-bit box gives the same cell.
  fill(pixel_rgba(207, 103, 47));
  EXPECT_EQ(std::tuple(cell_convert(frame, 12, 0, &ch), ch), std::tuple(0x6E, 0x09));
}

TEST_F(CellConvert, RampClampsToTheEmptyEntry) {
  const int32_t i = color15(0, 0, 0);
  ColorPairMap[i] = 0x10;
  fill(pixel_rgba(0, 0, 0));
  uint8_t ch;
  // 0.5: 37 XOR 0..3 is 36..39, all clamped to 36 (code 0). From about
  // 0.4865 (36 / 74) up every position is empty; just below, not all.
  for (float m : {0.5f, 0.4865f}) {
    ColorMixMap[i] = m;
    for (int col = 0; col < 4; ++col) {
      cell_convert(frame, col, 0, &ch);
      EXPECT_EQ(ch, 0x00) << m << " " << col;
    }
  }
  ColorMixMap[i] = 0.486f;  // 35 XOR 2 = 33 at (0, 0)
  cell_convert(frame, 0, 0, &ch);
  EXPECT_EQ(ch, 0xB1);
  // Zero mix: spaces in the background colour.
  ColorMixMap[i] = 0.0f;
  EXPECT_EQ(std::tuple(cell_convert(frame, 1, 0, &ch), ch), std::tuple(0x10, 0x20));
  // Damaged tables (huge or NaN) must not index outside the ramp.
  for (float m : {1e10f, std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
    ColorMixMap[i] = m;
    cell_convert(frame, 0, 0, &ch);
    EXPECT_EQ(ch, 0x00) << m;
  }
}

TEST_F(CellConvert, NegativeMixSendsFlatBlockToTheGlyphPicker) {
  ColorPairMap[color15(0, 0, 128)] = 0x1F;
  ColorMixMap[color15(0, 0, 128)] = -0.5f;
  CharMap[0] = 0x41;  // every pixel is the background: level 0, code 0
  fill(pixel_rgba(0, 0, 128));
  uint8_t ch;
  EXPECT_EQ(std::tuple(cell_convert(frame, 40, 20, &ch), ch), std::tuple(0x1F, 0x41));
}

TEST_F(CellConvert, PatternPairFromScoresWithTies) {
  // Four of one colour, five of another, every block past the spread limit.
  struct Case {
    Pixel four, five;
    int32_t bg, fg;
  } cases[] = {
      {pixel_rgba(255, 0, 0), pixel_rgba(200, 0, 0), 12, 15},  // all nearest red 12: foreground 15
      {grey(255), grey(230), 15, 14},                          // all nearest white 15: foreground 14
      {grey(255), grey(0), 0, 15},                             // five black: the lower score
  };
  for (const Case& c : cases) {
    Pixel px[9];
    for (int k = 0; k < 9; ++k) px[k] = k % 2 ? c.four : c.five;
    set_block(0, 0, px);
    ColorSample bg, fg;
    float mix;
    cell_analyse(frame, 0, 0, &bg, &fg, &mix);
    EXPECT_EQ(std::tuple(bg.index, fg.index, mix), std::tuple(c.bg, c.fg, -1.0f));
  }
}

// The converter's pattern path is vectorised and searches only the candidate
// colours of each pixel's cube; it must agree with the plain definition built
// from cell_nearest_color on arbitrary blocks.
TEST_F(CellConvert, PatternPairMatchesPlainScoringOnRandomBlocks) {
  std::mt19937 rng(17);
  for (int trial = 0; trial < 12000; ++trial) {
    Pixel px[9];
    // Half the blocks from a few channel values, to hit equal distances and scores.
    static const uint8_t LEVELS[] = {0, 64, 128, 192, 255};
    for (Pixel& p : px) {
      const uint32_t v = rng();
      p = trial % 2 ? v & 0xFFFFFF : pixel_rgba(LEVELS[v % 5], LEVELS[v / 5 % 5], LEVELS[v / 25 % 5]);
    }
    // Every third block in the frame's last cell, which is read differently.
    const int col = trial % 3 ? 7 : 79, row = trial % 3 ? 9 : 49;
    set_block(col, row, px);
    int32_t score[16];
    for (int32_t& s : score) s = 589824;
    float mix;
    ColorSample bg, fg;
    cell_analyse(frame, col, row, &bg, &fg, &mix);
    if (mix != -1.0f) continue;  // flat blocks take the table path
    for (Pixel p : px) {
      ColorSample s{int32_t(pixel_r(p)), int32_t(pixel_g(p)), int32_t(pixel_b(p)), -1};
      const int32_t d = cell_nearest_color(&s);
      score[s.index] += d - 65536;
    }
    int32_t want_bg = -1, want_fg = -1;
    for (int c = 15; c >= 0; --c) if (want_bg < 0 || score[c] < score[want_bg]) want_bg = c;
    for (int c = 15; c >= 0; --c) if (c != want_bg && (want_fg < 0 || score[c] < score[want_fg])) want_fg = c;
    ASSERT_EQ(std::tuple(bg.index, fg.index), std::tuple(want_bg, want_fg)) << trial;
  }
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
  // All shares 0: CharMap[0].
  for (Pixel& p : px) p = grey(0);
  set_block(0, 0, px);
  CharMap[0] = 0x53;
  EXPECT_EQ(cell_pick_glyph(frame, 0, 0, &black, &white), 0x53);
}

TEST_F(CellConvert, GlyphWithEqualColoursOnThePairIsShareZero) {
  const ColorSample cyan{0, 0, 0, 3};
  Pixel px[9];
  for (Pixel& p : px) p = pixel_rgba(0, 128, 128);
  set_block(2, 2, px);
  CharMap[0] = 0x61;
  EXPECT_EQ(cell_pick_glyph(frame, 2, 2, &cyan, &cyan), 0x61);  // T = 0: share 0
}

// The glyph picker is vectorised (shifts for divisions, shares in lanes); it
// must give the CharMap entry of the plain definition for any block and pair.
TEST_F(CellConvert, GlyphMatchesPlainDefinitionOnRandomBlocks) {
  for (int i = 0; i < CHAR_MAP_SIZE; ++i) CharMap[i] = static_cast<uint8_t>(i * 131 + i / 255);
  std::mt19937 rng(5);
  for (int trial = 0; trial < 18000; ++trial) {
    Pixel px[9];
    const uint32_t shade = rng();
    for (Pixel& p : px) {
      const uint32_t v = rng();
      // Mixes of fully random colours and a few repeated ones.
      p = v % 3 ? v & 0xFFFFFF : (shade >> (v % 8)) & 0xFFFFFF;
    }
    const int col = trial % 3 ? 11 : 79, row = trial % 3 ? 13 : 49;
    set_block(col, row, px);
    const ColorSample bg{0, 0, 0, static_cast<int32_t>(rng() % 16)};
    const ColorSample fg{0, 0, 0, trial % 10 ? static_cast<int32_t>(rng() % 16) : bg.index};
    const ColorSample& c1 = CONSOLE_PALETTE[bg.index];
    const ColorSample& c2 = CONSOLE_PALETTE[fg.index];
    float r[9], m = 0;
    for (int k = 0; k < 9; ++k) {
      const ColorSample p{int32_t(pixel_r(px[k])), int32_t(pixel_g(px[k])), int32_t(pixel_b(px[k])), -1};
      const float e1 = static_cast<float>(cell_color_distance(&c1, &p) * (1.0 / 256));
      const float e2 = static_cast<float>(cell_color_distance(&c2, &p) * (1.0 / 256));
      const float t = e1 + e2;
      r[k] = t == 0 ? 0.0f : static_cast<float>(double(e1 - e2) / t + double(MIX_BIAS));
      r[k] = std::min(std::max(r[k], 0.0f), 1.0f);
      m = std::max(m, r[k]);
    }
    const int level = std::clamp(static_cast<int>(6.0 * m - 0.5), 0, 5);
    const float scale = static_cast<float>(6.0 / (level + 1));
    int32_t digits[9];
    for (int k = 0; k < 9; ++k) digits[k] = std::min(static_cast<int32_t>(r[k] * 2.5 * scale), 2);
    ASSERT_EQ(cell_pick_glyph(frame, col, row, &bg, &fg), CharMap[level * PATTERN_CODES + cell_pattern_code(digits)])
        << trial;
  }
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

// The whole-frame conversion the console uses equals cell_convert cell by
// cell, on noise, on drawn detail and at the last column and row; converting
// only the changed blocks of each picture over the one before gives the same.
TEST_F(CellConvert, FrameConversionEqualsCellByCell) {
  for (int i = 0; i < CHAR_MAP_SIZE; ++i) CharMap[i] = static_cast<uint8_t>(i * 7 + i / 251);
  for (int i = 0; i < COLOR_CODES; ++i) {
    ColorPairMap[i] = static_cast<uint8_t>(i * 13);
    ColorMixMap[i] = static_cast<float>(i % 97) / 96.0f;
  }
  std::mt19937 rng(29);
  for (int picture = 0; picture < 3; ++picture) {
    for (int p = 0; p < FRAME_PIXELS; ++p) {
      const int x = p % FRAME_W, y = p / FRAME_W;
      // The last picture keeps the one before it in the right half, but for
      // the last pixel of every block.
      const bool redrawn = picture == 2 && (x < FRAME_W / 2 || (x % 3 == 2 && y % 3 == 2));
      frame[p] = picture == 0 ? rng() : redrawn ? pixel_rgba((x * 7 + y * 3) % 5 * 60, x, 200)
                                                : pixel_rgba(x * 255 / FRAME_W, y, (x / 7 + y / 5) % 3 * 100);
    }
    static uint8_t characters[80 * 50], attributes[80 * 50];
    static uint8_t kept_characters[80 * 50], kept_attributes[80 * 50];
    static Pixel previous[FRAME_PIXELS];
    cell_convert_frame(frame, characters, attributes);
    if (picture == 0) {
      std::copy(frame, frame + FRAME_PIXELS, previous);
      std::copy(characters, characters + 80 * 50, kept_characters);
      std::copy(attributes, attributes + 80 * 50, kept_attributes);
    } else {
      cell_convert_frame_changes(frame, previous, kept_characters, kept_attributes);
      ASSERT_TRUE(std::equal(frame, frame + FRAME_PIXELS, previous)) << picture;
      ASSERT_TRUE(std::equal(characters, characters + 80 * 50, kept_characters)) << picture;
      ASSERT_TRUE(std::equal(attributes, attributes + 80 * 50, kept_attributes)) << picture;
    }
    for (int row = 0; row < 50; ++row)
      for (int col = 0; col < 80; ++col) {
        uint8_t ch = 0;
        const uint8_t attribute = cell_convert(frame, col, row, &ch);
        ASSERT_EQ(std::tuple(attributes[row * 80 + col], characters[row * 80 + col]), std::tuple(attribute, ch))
            << picture << " " << col << "," << row;
      }
  }
}

}  // namespace
