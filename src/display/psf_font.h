#pragma once
// PSF1/PSF2 console fonts (.psf or .psf.gz) with their Unicode tables, used to
// choose glyphs, to draw console pictures and to letter pictures.
#include <cstdint>
#include <unordered_map>
#include <vector>

struct PsfFont {
  int width = 0, height = 0, glyph_count = 0;
  // glyph_count * height * ((width + 7) / 8) bytes, row-major, MSB = left.
  std::vector<uint8_t> bitmaps;
  std::unordered_map<uint32_t, int> unicode_to_glyph;
};

// Reads a .psf or .psf.gz font, PSF1 or PSF2. On failure prints one line
// naming the file on stderr, leaves *font empty and returns false.
bool psf_load(const char* path, PsfFont* font);
// Glyph index for a code page 437 code; codes the Unicode table lacks go
// through look-alike code points. -1 when nothing fits.
int psf_glyph_for_cp437(const PsfFont& font, uint8_t code);
// Glyph index for a code point, -1 when the font's table has none.
int psf_glyph_for_unicode(const PsfFont& font, uint32_t code_point);
// Ink at (x, y) of a glyph; false outside the glyph or for a bad index.
bool psf_pixel(const PsfFont& font, int glyph, int x, int y);
// The console-setup VGA font of the given glyph height (8 or 16).
const char* psf_default_font_path(int height);
