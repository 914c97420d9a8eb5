#include "display/grid_fit.h"

#include <cmath>
#include <cstdlib>
#include <initializer_list>

#include "display/cells.h"

namespace {

// Width over height of the frame, whose pixels are square.
constexpr double PICTURE_ASPECT = 240.0 / 150.0;
constexpr double FIT_TOLERANCE = 0.05;
constexpr float SQUARE_TOLERANCE = 0.15f;

double shape_error(int cols, int rows, double cell_aspect) {
  return std::fabs(cols / (rows * cell_aspect) / PICTURE_ASPECT - 1.0);
}

GridShape fit(int term_cols, int term_rows, float aspect) {
  const int max_cols = term_cols < FIT_COLS_MAX ? term_cols : FIT_COLS_MAX;
  const int max_rows = term_rows < FIT_ROWS_MAX ? term_rows : FIT_ROWS_MAX;
  // The tallest grid whose width, rounded either way, keeps the shape.
  GridShape best{0, 0};
  double best_error = 1e9;
  for (int rows = max_rows; rows >= 1; --rows) {
    const double ideal = PICTURE_ASPECT * rows * aspect;
    for (int cols : {static_cast<int>(std::lround(ideal)), static_cast<int>(ideal), static_cast<int>(ideal) + 1}) {
      if (cols < 1 || cols > max_cols) continue;
      const double error = shape_error(cols, rows, aspect);
      if (error <= FIT_TOLERANCE) return {cols, rows};
      // Tiny grids may not reach the tolerance at all: keep the truest one.
      if (error < best_error) best_error = error, best = {cols, rows};
    }
  }
  // A terminal narrower than any true shape still gets a cell (it shows a note).
  return best.cols > 0 ? best : GridShape{max_cols > 0 ? max_cols : 1, 1};
}

}  // namespace

GridShape grid_fit(const GridRequest& request, int term_cols, int term_rows, float cell_aspect) {
  if (request.choice == GridChoice::Fixed) return {request.cols, request.rows};
  if (request.choice == GridChoice::Console || term_cols <= 0 || term_rows <= 0)
    return {CONSOLE_COLS, CONSOLE_ROWS};
  if (std::fabs(cell_aspect - 1.0f) <= SQUARE_TOLERANCE && term_cols >= CONSOLE_COLS && term_rows >= CONSOLE_ROWS)
    return {CONSOLE_COLS, CONSOLE_ROWS};
  return fit(term_cols, term_rows, cell_aspect > 0 ? cell_aspect : CELL_ASPECT_DEFAULT);
}

bool grid_parse_size(const char* text, int* cols, int* rows, float* aspect) {
  char* end = nullptr;
  const long c = std::strtol(text, &end, 10);
  if (end == text || *end != 'x' || !(end[1] >= '0' && end[1] <= '9')) return false;
  const char* rest = end + 1;
  const long r = std::strtol(rest, &end, 10);
  if (text[0] < '0' || text[0] > '9' || c < 1 || c > GRID_COLS_MAX || r < 1 || r > GRID_ROWS_MAX) return false;
  if (*end == '@' && aspect) {
    if (!grid_parse_aspect(end + 1, aspect)) return false;
  } else if (*end != '\0') {
    return false;
  }
  *cols = static_cast<int>(c);
  *rows = static_cast<int>(r);
  return true;
}

bool grid_parse_aspect(const char* text, float* aspect) {
  char* end = nullptr;
  const float h = std::strtof(text, &end);
  if (end == text || *end != '\0' || !(h >= 0.25f && h <= 8.0f)) return false;
  *aspect = h;
  return true;
}
