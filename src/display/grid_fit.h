#pragma once
// How the picture meets a terminal: which grid of cells it is converted to,
// from the terminal's size in cells and the shape of its cells.

// The fitted grid never grows past this: beyond it cells get smaller than the
// frame's pixels and only cost time.
constexpr int FIT_COLS_MAX = 160;
constexpr int FIT_ROWS_MAX = 100;
// A chosen grid may be as fine as one cell per frame pixel.
constexpr int GRID_COLS_MAX = 240;
constexpr int GRID_ROWS_MAX = 150;
constexpr int GRID_CELLS_MAX = GRID_COLS_MAX * GRID_ROWS_MAX;
// Below this the terminal shows a note instead of a picture.
constexpr int TERM_COLS_MIN = 8;
constexpr int TERM_ROWS_MIN = 3;
// Cells assumed when the terminal does not tell: twice as tall as wide.
constexpr float CELL_ASPECT_DEFAULT = 2.0f;

enum class GridChoice { Fit, Console, Fixed };

struct GridRequest {
  GridChoice choice = GridChoice::Fit;
  int cols = 0;  // Fixed only
  int rows = 0;
};

struct GridShape {
  int cols;
  int rows;
};

// The grid for a terminal of term_cols x term_rows cells, each cell_aspect
// times as tall as wide. Fit shows the whole 240 x 150 picture at its shape,
// as large as the terminal allows; on square cells with room for 80 x 50 it
// is the console grid. A terminal of unknown size (0 x 0) gets the console grid.
GridShape grid_fit(const GridRequest& request, int term_cols, int term_rows, float cell_aspect);


// "COLSxROWS" within 1x1 .. 240x150, optionally followed by "@H" when
// `aspect` is given (H as grid_parse_aspect takes it; left alone when absent).
bool grid_parse_size(const char* text, int* cols, int* rows, float* aspect);
// A cell height over width, a number from 0.25 to 8 and nothing after it.
bool grid_parse_aspect(const char* text, float* aspect);
