#pragma once
// The console the show is presented on: the 80 x 50 grid as designed, or the
// grid fitted to the terminal the show runs in.
#include <cstdint>

#include "common/frame.h"
#include "display/cells.h"
#include "display/grid_fit.h"

struct AnsiLayout;

// The cells of the frame presented last, row-major (row * con_grid().cols + col).
extern ConsoleCell CellBuffer[GRID_CELLS_MAX];

void con_acquire_output();
void con_setup(int cols, int rows, int full_screen);
// Converts the frame into CellBuffer at the current grid and writes it to the console.
int con_present(const Pixel* frame);
// The conversion alone: the frame's 80 x 50 console cells into `cells`.
void con_convert(const Pixel* frame, ConsoleCell* cells);
// The grid and its place on the terminal, as the last con_present used them.
GridShape con_grid();
const AnsiLayout& con_layout();
// The size of the terminal presented to (a headless run's own), 0 x 0 unknown.
void con_terminal_size(int* cols, int* rows);
// The console's 80 x 50 cells of a presented frame, for what stays at the
// console's grid (captures, console pictures): `presented` itself when the
// grid is the console's, else a conversion of its own.
const ConsoleCell* con_console_cells(const Pixel* frame, const ConsoleCell* presented);

// Called at the end of every con_present with the frame and its cells; the
// runtime uses it for the headless clock, renders and captures.
using ConPresentHook = void (*)(const Pixel* frame, const ConsoleCell* cells);
void con_set_present_hook(ConPresentHook hook);

// A status line sent with every frame while a source is set: the source is
// asked for its text at each present (after the frame's values are known).
// Never part of the frame or the cells.
using ConStatusSource = const char* (*)();
void con_set_status_source(ConStatusSource source);
// The status text sent with the last frame, or null.
const char* con_status_line();

// --- Terminal presentation ---------------------------------------------------

struct ConsoleOptions {
  ColorMode colors;  // Auto picks from COLORTERM and TERM
  bool headless;     // touch no terminal; frames are still converted and encoded
  GridRequest grid{GridChoice::Console, 0, 0};
  float cell_aspect = 0;  // cell height over width; 0: as the terminal tells
  // Headless: the terminal presented to; 0 x 0 is an 80 x 50 one of square
  // cells, the console as designed.
  int term_cols = 0;
  int term_rows = 0;
};

// Before con_setup.
void con_configure(ConsoleOptions options);
// The colour mode frames are encoded in (Auto already resolved).
ColorMode con_color_mode();
// Window title while the show runs; the previous title comes back afterwards.
void con_set_title(const char* title);
// Gives the terminal back and prints the messages held meanwhile. Idempotent;
// also runs at exit and on fatal signals.
void con_restore();
// Standard output is a terminal (as it was before the show took it).
bool con_output_is_terminal();

// What the last con_present cost and sent.
struct ConsoleFrameStats {
  uint32_t convert_us;
  uint32_t encode_us;
  uint32_t write_us;
  uint32_t bytes;         // sent, or that would have been sent when headless
  uint32_t cells_elided;  // unchanged since the previous frame, not sent
};
const ConsoleFrameStats& con_frame_stats();
