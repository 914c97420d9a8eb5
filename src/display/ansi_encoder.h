#pragma once
// Turns a grid of console cells (80 x 50, or the grid fitted to the terminal) into the bytes a terminal needs to
// show it: cursor moves, colour changes (SGR) and UTF-8 glyphs. Pure: it
// touches no terminal, so headless renders and recordings use it as well.
#include <cstddef>
#include <cstdint>

#include "display/cells.h"
#include "display/grid_fit.h"

// Where a grid of grid_cols x grid_rows cells (row-major) lands on a terminal
// of term_cols x term_rows cells: grid cell (0, 0) sits at terminal cell
// (left, top), 0-based. Cells that fall outside the terminal are not drawn. A
// terminal below TERM_COLS_MIN x TERM_ROWS_MIN gets a note instead.
struct AnsiLayout {
  int term_cols;
  int term_rows;
  int left;
  int top;
  int grid_cols = CONSOLE_COLS;
  int grid_rows = CONSOLE_ROWS;
};

// The console grid centred on a larger terminal, top-left part on a smaller one.
AnsiLayout ansi_layout(int term_cols, int term_rows);
// The same for a grid of any size; an unknown terminal (0 x 0) is the grid's size.
AnsiLayout ansi_layout_grid(int term_cols, int term_rows, int grid_cols, int grid_rows);

// Enough for a frame of `cells` cells: a cursor move, both colours and a
// glyph per cell, plus the clear of a full redraw.
constexpr size_t ansi_frame_max(int cells) { return static_cast<size_t>(cells) * 64 + 64; }
constexpr size_t ANSI_FRAME_MAX = ansi_frame_max(GRID_CELLS_MAX);

struct AnsiFrameInfo {
  int cells_drawn;
  int cells_elided;  // look as they did in `previous`, not sent
};

// Encodes `cells` for a terminal that shows `previous` (null: a full redraw
// that first clears the screen). Colour state is assumed unknown at the start,
// so the bytes stand alone. Writes at most ansi_frame_max(grid cells) bytes to
// `out` and returns their count; 0 when `capacity` is smaller than that.
size_t ansi_encode(const ConsoleCell* cells, const ConsoleCell* previous, ColorMode mode,
                   const AnsiLayout& layout, char* out, size_t capacity,
                   AnsiFrameInfo* info);

// The xterm-256 colour (16-255, the fixed cube and grey ramp) nearest to a
// console colour, and the ANSI colour 0-7 plus bright flag for the 16-colour
// mode: the console puts blue in bit 0 and red in bit 2, ANSI the reverse.
int ansi_xterm256_of(int console_color);
int ansi_16_of(int console_color);

// auto: truecolor when COLORTERM says truecolor or 24bit, else 256 when TERM
// contains 256color, else 16. Either argument may be null.
ColorMode ansi_mode_from_env(const char* colorterm, const char* term);
// A whole frame in that colour mode, as a file of its own (headless
// renders): colours are reset at its end.
size_t ansi_encode_full_frame(const ConsoleCell* cells, ColorMode mode, const AnsiLayout& layout, char* out,
                              size_t capacity);
