#include <cmath>

#include "tools/lutgen/lut_tables.h"

namespace {

// A shape split into its mean ink and its zero-mean structure.
struct Centred {
  double mean = 0, norm2 = 0;
  double dev[9];
};

Centred centre(const float ink[9]) {
  Centred c;
  for (int k = 0; k < 9; ++k) c.mean += ink[k] / 9.0;
  for (int k = 0; k < 9; ++k) {
    c.dev[k] = ink[k] - c.mean;
    c.norm2 += c.dev[k] * c.dev[k];
  }
  return c;
}

// Shape counts by correlation, so that a thin line matches a one-pixel line
// although no glyph can fill a third of the cell; the target's structure
// weighs it against the brightness difference. A flat target penalises any
// texture in the glyph instead.
double pattern_error(const Centred& glyph, const Centred& target) {
  double shape;
  if (target.norm2 < 1e-12) {
    shape = 4 * glyph.norm2;
  } else if (glyph.norm2 < 1e-12) {
    shape = 2 * target.norm2;
  } else {
    double dot = 0;
    for (int k = 0; k < 9; ++k) dot += glyph.dev[k] * target.dev[k];
    shape = 2 * target.norm2 * (1 - dot / std::sqrt(glyph.norm2 * target.norm2));
  }
  const double brightness = glyph.mean - target.mean;
  return shape + 9 * brightness * brightness;
}

}  // namespace

float lut_pattern_target(int level, int digit) {
  // A level covers strongest shares m in [(level + 0.5) / 6, (level + 1.5) / 6); a
  // digit grades a pixel against m in steps of 0.4 (0: < 0.4 m, 1: < 0.8 m, 2: above).
  // Digit 0 is mostly the background itself, the top level mostly the foreground itself.
  const double unit = (level + 1) / 6.0;
  switch (digit) {
    case 0: return 0.0f;
    case 1: return static_cast<float>(0.6 * unit);
    default:
      return level == PATTERN_LEVELS - 1 ? 1.0f
                                         : static_cast<float>((0.8 * unit + (level + 1.5) / 6.0) / 2);
  }
}

double lut_pattern_error(const GlyphShape& glyph, int level, int code) {
  float target[9];
  for (int k = 0, rest = code; k < 9; ++k, rest /= 3) target[k] = lut_pattern_target(level, rest % 3);
  return pattern_error(centre(glyph.region_ink), centre(target));
}

double lut_build_char_map(const std::vector<GlyphShape>& candidates, uint8_t chars[CHAR_MAP_SIZE]) {
  std::vector<Centred> shapes;
  for (const GlyphShape& g : candidates) shapes.push_back(centre(g.region_ink));
  double total = 0;
  for (int level = 0; level < PATTERN_LEVELS; ++level) {
    for (int code = 0; code < PATTERN_CODES; ++code) {
      float target[9];
      for (int k = 0, rest = code; k < 9; ++k, rest /= 3) target[k] = lut_pattern_target(level, rest % 3);
      const Centred t = centre(target);
      double best = INFINITY;
      uint8_t best_code = 0x20;
      for (size_t i = 0; i < shapes.size(); ++i) {
        const double e = pattern_error(shapes[i], t);
        if (e < best) best = e, best_code = candidates[i].code;
      }
      if (code == 0) best_code = 0x20, best = 0;  // nothing to show: a plain background cell
      chars[level * PATTERN_CODES + code] = best_code;
      total += best;
    }
  }
  return total / CHAR_MAP_SIZE;
}
