#include "tools/lutgen/lut_glyphs.h"

#include <algorithm>

#include "display/cp437.h"

bool lut_is_candidate(uint8_t code) {
  switch (code) {
    case 0x9E: case 0xA9: case 0xEC: case 0xEF: case 0xF0: case 0xFF: return false;
    default: return code >= 0x20 && code != 0x7F;
  }
}

GlyphShape lut_measure_glyph(const PsfFont& font, uint8_t code) {
  GlyphShape shape{code, 0.0f, {}};
  const int glyph = code == 0 ? -1 : psf_glyph_for_cp437(font, code);
  if (glyph < 0 || font.width <= 0 || font.height <= 0) return shape;
  // Region boundaries fall inside pixels (8 / 3); a pixel counts towards each
  // region by the share of its area that lies inside.
  double region[9] = {};
  int ink = 0;
  for (int y = 0; y < font.height; ++y) {
    for (int x = 0; x < font.width; ++x) {
      if (!psf_pixel(font, glyph, x, y)) continue;
      ++ink;
      for (int ry = 0; ry < 3; ++ry) {
        const double oy = std::min(y + 1.0, (ry + 1) * font.height / 3.0) -
                          std::max<double>(y, ry * font.height / 3.0);
        if (oy <= 0) continue;
        for (int rx = 0; rx < 3; ++rx) {
          const double ox = std::min(x + 1.0, (rx + 1) * font.width / 3.0) -
                            std::max<double>(x, rx * font.width / 3.0);
          if (ox > 0) region[ry * 3 + rx] += ox * oy;
        }
      }
    }
  }
  const double region_area = font.width * font.height / 9.0;
  for (int k = 0; k < 9; ++k) shape.region_ink[k] = static_cast<float>(region[k] / region_area);
  shape.coverage = static_cast<float>(ink) / (font.width * font.height);
  return shape;
}

std::vector<GlyphShape> lut_candidate_shapes(const PsfFont& font) {
  // The font draws some code points with another code's glyph (double box
  // lines as single ones); only the first code of such a glyph is measured, as
  // the others' true shapes differ from what was measured.
  std::vector<GlyphShape> shapes;
  std::vector<bool> glyph_taken(static_cast<size_t>(font.glyph_count), false);
  for (int code = 0; code < 256; ++code) {
    if (!lut_is_candidate(static_cast<uint8_t>(code))) continue;
    const int glyph = psf_glyph_for_unicode(font, cp437_to_unicode(static_cast<uint8_t>(code)));
    if (glyph < 0 || glyph_taken[static_cast<size_t>(glyph)]) continue;
    glyph_taken[static_cast<size_t>(glyph)] = true;
    shapes.push_back(lut_measure_glyph(font, static_cast<uint8_t>(code)));
  }
  return shapes;
}

void lut_ramp_coverage(const PsfFont& font, float coverage[DENSITY_RAMP_SIZE]) {
  for (int j = 0; j < DENSITY_RAMP_SIZE; ++j) {
    coverage[j] = lut_measure_glyph(font, DENSITY_RAMP[j]).coverage;
  }
}
