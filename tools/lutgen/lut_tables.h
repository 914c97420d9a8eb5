#pragma once
// Builds the three conversion tables the cell converter reads.
#include <cstdint>
#include <vector>

#include "display/lookup_tables.h"
#include "tools/lutgen/lut_glyphs.h"

struct ColorTableReport {
  double mean_error = 0;   // CIEDE2000, averaged over the four dither values
  double worst_error = 0;
  int32_t worst_color = 0;  // 15-bit index
};

// The mix value whose ramp indices (trunc(74 * mix) XOR 0..3) are 4 * group .. 4 * group + 3.
float lut_group_mix(int group);
// The average CIEDE2000 error of colour15 `color` when shown with `pair` and
// `mix` through the density ramp (flat path), over the four dither values.
double lut_flat_error(const float ramp_coverage[DENSITY_RAMP_SIZE], int32_t color, uint8_t pair,
                      float mix);
// For every 15-bit colour, the colour pair and mix that render it best.
ColorTableReport lut_build_color_tables(const float ramp_coverage[DENSITY_RAMP_SIZE],
                                        uint8_t pairs[COLOR_CODES], float mixes[COLOR_CODES],
                                        int threads);

// Target foreground ink of a region with the given digit at a level.
float lut_pattern_target(int level, int digit);
// How badly a glyph shows a pattern code at a level: structure by correlation
// of region ink, plus the difference in overall ink.
double lut_pattern_error(const GlyphShape& glyph, int level, int code);
// For every level and pattern code, the candidate with the smallest pattern
// error; returns the mean of those errors.
double lut_build_char_map(const std::vector<GlyphShape>& candidates, uint8_t chars[CHAR_MAP_SIZE]);
