#pragma once
// Draws console cells the way a VGA text console shows them: 8-pixel-wide
// glyphs of the console-setup VGA fonts in the exact console palette.
#include <cstdint>

#include "display/ansi_encoder.h"
#include "display/console.h"

constexpr int CONSOLE_PICTURE_W = CONSOLE_COLS * 8;  // 640

// 400 for 8 x 8 glyphs, 800 for 8 x 16.
constexpr int console_picture_height(int glyph_height) { return CONSOLE_ROWS * glyph_height; }

// Renders 80 x 50 cells into out (640 x 50*glyph_height pixels, bytes red,
// green, blue, alpha). glyph_height is 8 or 16; anything else counts as 8.
// Without its font every cell shows only its background; returns false then.
bool console_picture_render(const ConsoleCell* cells, int glyph_height, uint32_t* out);

// The terminal of `layout` as it shows a grid of cells (term_cols * 8 by
// term_rows * glyph_height pixels): the grid at its place, clipped, on the
// terminal's black, or the note a too small terminal gets.
bool console_picture_render_terminal(const ConsoleCell* cells, const AnsiLayout& layout, int glyph_height,
                                     uint32_t* out);
