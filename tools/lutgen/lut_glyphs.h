#pragma once
// Glyph shapes measured for table generation: overall ink and ink over the
// nine 3 x 3 regions a cell's pixel block maps onto.
#include <cstdint>
#include <vector>

#include "display/cell_convert.h"
#include "display/psf_font.h"

struct GlyphShape {
  uint8_t code;
  float coverage;       // fraction of set pixels
  float region_ink[9];  // the same per region, row-major, top-left first
};

// Codes the tables may use: those terminals draw reliably as one narrow cell.
// 0x01-0x1F and 0x7F are left out (several have emoji forms), 0xFF (a second
// blank) too, and the five codes the 8 x 8 font has no shape of its own for.
bool lut_is_candidate(uint8_t code);
// The measured shape of a code page 437 code in the font (code 0 is blank).
GlyphShape lut_measure_glyph(const PsfFont& font, uint8_t code);
// Every candidate's shape, in code order.
std::vector<GlyphShape> lut_candidate_shapes(const PsfFont& font);
// Ink coverage of each density ramp entry.
void lut_ramp_coverage(const PsfFont& font, float coverage[DENSITY_RAMP_SIZE]);
