// Table generator: what the tables must do for a viewer, and the files it writes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "display/lookup_tables.h"
#include "tools/lutgen/lut_color.h"
#include "tools/lutgen/lut_glyphs.h"
#include "tools/lutgen/lut_tables.h"

namespace {

struct Built {
  PsfFont font;
  float ramp[DENSITY_RAMP_SIZE];
  std::vector<GlyphShape> candidates;
  uint8_t pairs[COLOR_CODES];
  float mixes[COLOR_CODES];
  uint8_t chars[CHAR_MAP_SIZE];
  ColorTableReport report;
};

const Built& built() {
  static Built* b = [] {
    auto* t = new Built;
    EXPECT_TRUE(psf_load(psf_default_font_path(8), &t->font));
    lut_ramp_coverage(t->font, t->ramp);
    t->candidates = lut_candidate_shapes(t->font);
    t->report = lut_build_color_tables(t->ramp, t->pairs, t->mixes, 2);
    lut_build_char_map(t->candidates, t->chars);
    return t;
  }();
  return *b;
}

int code_of(const int digits[9]) {
  int code = 0;
  for (int k = 8; k >= 0; --k) code = code * 3 + digits[k];
  return code;
}


TEST(LutGlyphs, MeasuredInkOverNineRegions) {
  const Built& b = built();
  EXPECT_EQ(std::tuple(lut_measure_glyph(b.font, 0x20).coverage, lut_measure_glyph(b.font, 0).coverage,
                       lut_measure_glyph(b.font, 0xDB).coverage),
            std::tuple(0.0f, 0.0f, 1.0f));
  // Upper half block: rows 0-3 of 8, so the middle band (rows 2.67-5.33) is half inked.
  const GlyphShape upper = lut_measure_glyph(b.font, 0xDF);
  for (int k = 0; k < 9; ++k) EXPECT_FLOAT_EQ(upper.region_ink[k], k < 3 ? 1.0f : k < 6 ? 0.5f : 0.0f) << k;
  EXPECT_EQ(std::tuple(b.ramp[16], b.ramp[32], b.ramp[36]), std::tuple(0.25f, 0.5f, 0.0f));  // light, medium shade, end
  // Controls (emoji forms), the second blank and the codes without own shapes stay out.
  for (int code : {0x01, 0x03, 0x10, 0x1F, 0x7F, 0x9E, 0xEC, 0xFF}) EXPECT_FALSE(lut_is_candidate(code)) << code;
}

TEST(LutColor, DifferenceOfKnownPairs) {
  const Lab white = lut_lab_from_linear(1, 1, 1), black = lut_lab_from_linear(0, 0, 0);
  EXPECT_NEAR(lut_delta_e(white, black), 100.0, 1e-3);
  // Published CIEDE2000 test pairs (Sharma, Wu, Dalal).
  EXPECT_NEAR(lut_delta_e({50, 2.6772, -79.7751}, {50, 0, -82.7485}), 2.0425, 1e-4);
  EXPECT_NEAR(lut_delta_e({50, -1.0, 2.0}, {50, 0, 0}), 2.3669, 1e-4);
}

TEST(LutColorTables, PaletteColoursArePlainCells) {
  const Built& b = built();
  for (int c = 0; c < 16; ++c) {
    const ColorSample& p = CONSOLE_PALETTE[c];
    const int32_t i = color15(p.r, p.g, p.b);
    EXPECT_EQ(std::pair(int{b.pairs[i]}, b.mixes[i]), std::pair(c << 4 | c, 0.0f)) << c;
  }
  for (int32_t i = 0; i < COLOR_CODES; ++i) {
    ASSERT_GE(b.mixes[i], 0.0f);
    ASSERT_LT(b.mixes[i], 36.0f / 74);
    ASSERT_TRUE(b.mixes[i] != 0.0f || b.pairs[i] >> 4 == (b.pairs[i] & 15)) << i;
  }
  // CIEDE2000 from a colour to its flat-path cells, averaged over the four dithers.
  EXPECT_LT(b.report.mean_error, 4.0);
  EXPECT_LT(b.report.worst_error, 16.0);
}

TEST(LutCharMap, SimpleShapesGetTheirGlyphs) {
  const Built& b = built();
  for (int level = 0; level < PATTERN_LEVELS; ++level) EXPECT_EQ(b.chars[level * PATTERN_CODES], 0x20);
  const int top = 5 * PATTERN_CODES;
  // Full, middle row, middle column, bottom row, upper two rows.
  const struct {
    int digits[9];
    uint8_t glyph;
  } shapes[] = {{{2, 2, 2, 2, 2, 2, 2, 2, 2}, 0xDB}, {{0, 0, 0, 2, 2, 2, 0, 0, 0}, 0xC4}, {{0, 2, 0, 0, 2, 0, 0, 2, 0}, 0xB3},
                {{0, 0, 0, 0, 0, 0, 2, 2, 2}, '_'},  {{2, 2, 2, 2, 2, 2, 0, 0, 0}, 0xDF}};
  for (const auto& shape : shapes) EXPECT_EQ(b.chars[top + code_of(shape.digits)], shape.glyph) << int(shape.glyph);
  const int full[9] = {2, 2, 2, 2, 2, 2, 2, 2, 2};
  for (int i = 0; i < CHAR_MAP_SIZE; ++i) ASSERT_TRUE(lut_is_candidate(b.chars[i])) << i;
  // Weaker levels show less ink for the same pattern.
  EXPECT_LT(lut_measure_glyph(b.font, b.chars[0 * PATTERN_CODES + code_of(full)]).coverage,
            lut_measure_glyph(b.font, b.chars[top + code_of(full)]).coverage);
}

TEST(Lutgen, WritesBothFilesDeterministically) {
  const std::string dir = "/tmp/kolv_lutgen_test_" + std::to_string(getpid());
  const std::string run = std::string(KOLV_BINARY_DIR) + "/lutgen " + dir + " > /dev/null";
  std::filesystem::create_directories(dir);
  ASSERT_EQ(std::system(run.c_str()), 0);
  cell_load_table_files((dir + "/charmap.lut").c_str(), (dir + "/colmap.lut").c_str());
  const Built& b = built();
  EXPECT_TRUE(std::equal(b.chars, b.chars + CHAR_MAP_SIZE, CharMap));
  EXPECT_TRUE(std::equal(b.pairs, b.pairs + COLOR_CODES, ColorPairMap));
  EXPECT_TRUE(std::equal(b.mixes, b.mixes + COLOR_CODES, ColorMixMap));
  std::filesystem::remove_all(dir);
  std::fill(CharMap, CharMap + CHAR_MAP_SIZE, 0);
  std::fill(ColorPairMap, ColorPairMap + COLOR_CODES, 0);
  std::fill(ColorMixMap, ColorMixMap + COLOR_CODES, 0.0f);
  EXPECT_NE(std::system((std::string(KOLV_BINARY_DIR) + "/lutgen 2> /dev/null").c_str()), 0);
}

}  // namespace
