#include "display/console_picture.h"

#include "common/frame.h"
#include "display/ansi_encoder.h"
#include "display/cell_convert.h"
#include "display/cp437.h"
#include "display/psf_font.h"

namespace {

// One bit row per glyph line, MSB = left, for all 256 codes at one height.
struct GlyphTable {
  bool loaded = false;
  bool ok = false;
  uint8_t rows[256][16] = {};
};

GlyphTable tables[2];  // 8 and 16 lines

uint8_t font_row(const PsfFont& font, int glyph, int y) {
  uint8_t bits = 0;
  for (int x = 0; x < 8; ++x) {
    const int fx = x * font.width / 8;  // wider fonts are sampled to 8 columns
    if (psf_pixel(font, glyph, fx, y)) bits |= 0x80 >> x;
  }
  return bits;
}

// Each code takes, in this order: its own shape in the font of this height,
// its own shape in the font of the other height (scaled), a look-alike.
void build(GlyphTable* table, int height) {
  table->loaded = true;
  PsfFont own, other;
  if (!psf_load(psf_default_font_path(height), &own)) return;
  psf_load(psf_default_font_path(height == 8 ? 16 : 8), &other);
  for (int code = 1; code < 256; ++code) {
    uint8_t* rows = table->rows[code];
    const uint32_t unicode = cp437_to_unicode(static_cast<uint8_t>(code));
    int glyph = psf_glyph_for_unicode(own, unicode);
    const int scaled = glyph < 0 ? psf_glyph_for_unicode(other, unicode) : -1;
    if (scaled >= 0) {
      for (int y = 0; y < height; ++y) {
        rows[y] = other.height > height
                      ? font_row(other, scaled, y * other.height / height) |
                            font_row(other, scaled, y * other.height / height + 1)
                      : font_row(other, scaled, y * other.height / height);
      }
      continue;
    }
    if (glyph < 0) glyph = psf_glyph_for_cp437(own, static_cast<uint8_t>(code));
    for (int y = 0; y < height; ++y) rows[y] = font_row(own, glyph, y * own.height / height);
  }
  table->ok = true;
}

}  // namespace

bool console_picture_render(const ConsoleCell* cells, int glyph_height, uint32_t* out) {
  return console_picture_render_terminal(cells, ansi_layout(CONSOLE_COLS, CONSOLE_ROWS), glyph_height, out);
}

bool console_picture_render_terminal(const ConsoleCell* cells, const AnsiLayout& layout, int glyph_height,
                                     uint32_t* out) {
  const int height = glyph_height == 16 ? 16 : 8;
  GlyphTable* table = &tables[height == 16];
  if (!table->loaded) build(table, height);

  Pixel palette[16];
  for (int c = 0; c < 16; ++c) {
    const ColorSample& s = CONSOLE_PALETTE[c];
    palette[c] = pixel_rgba(s.r, s.g, s.b, 255);
  }
  const int width = layout.term_cols * 8;
  auto draw = [&](int col, int row, ConsoleCell cell) {
    const Pixel bg = palette[(cell.attribute >> 4) & 15], fg = palette[cell.attribute & 15];
    const uint8_t* rows = table->rows[cell.character & 0xFF];
    uint32_t* dst = out + (row * height) * width + col * 8;
    for (int y = 0; y < height; ++y, dst += width) {
      for (int x = 0; x < 8; ++x) dst[x] = (rows[y] & (0x80 >> x)) ? fg : bg;
    }
  };
  // What the terminal shows outside the grid: its own (black) background.
  const bool covered = layout.left == 0 && layout.top == 0 && layout.grid_cols >= layout.term_cols &&
                       layout.grid_rows >= layout.term_rows;
  for (int row = 0; row < layout.term_rows && !covered; ++row)
    for (int col = 0; col < layout.term_cols; ++col) draw(col, row, {0, 0});
  if (layout.term_cols < TERM_COLS_MIN || layout.term_rows < TERM_ROWS_MIN) {
    static const char NOTE[] = "terminal too small";
    for (int col = 0; col < layout.term_cols && NOTE[col]; ++col) draw(col, 0, {static_cast<uint8_t>(NOTE[col]), 0x07});
    return table->ok;
  }
  for (int row = 0; row < layout.grid_rows && layout.top + row < layout.term_rows; ++row) {
    for (int col = 0; col < layout.grid_cols && layout.left + col < layout.term_cols; ++col) {
      draw(layout.left + col, layout.top + row, cells[row * layout.grid_cols + col]);
    }
  }
  return table->ok;
}
