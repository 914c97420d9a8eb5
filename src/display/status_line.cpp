#include "display/status_line.h"

#include <cstdio>
#include <cstring>

int status_line_row(const AnsiLayout& layout) {
  if (layout.term_rows <= 0) return -1;
  int below = layout.top + layout.grid_rows;
  return below < layout.term_rows ? below : layout.term_rows - 1;
}

namespace {

// The grid row the line covers, or -1 when it sits below the picture.
int status_line_grid_row(const AnsiLayout& layout) {
  int row = status_line_row(layout);
  int grid_row = row - layout.top;
  return row >= 0 && grid_row < layout.grid_rows ? grid_row : -1;
}

}  // namespace

void status_line_uncover(const AnsiLayout& layout, ConsoleCell* shown) {
  const int covered = status_line_grid_row(layout);
  for (int col = 0; covered >= 0 && col < layout.grid_cols; ++col)
    shown[covered * layout.grid_cols + col].character = 0xFFFF;  // no real cell has it
}

size_t status_line_encode(const char* text, const AnsiLayout& layout, char* out, size_t capacity) {
  int row = status_line_row(layout);
  if (row < 0) return 0;
  // Cut to the terminal's width, never inside a multi-byte letter.
  size_t length = std::strlen(text);
  size_t width = layout.term_cols > 0 ? static_cast<size_t>(layout.term_cols) : 0;
  size_t letters = 0, cut = 0;
  while (cut < length && letters < width) {
    ++cut;
    while (cut < length && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) ++cut;
    ++letters;
  }
  // White on blue, the rest of the row cleared in the same colour.
  int head = std::snprintf(out, capacity, "\x1b[%d;1H\x1b[0;97;44m", row + 1);
  static const char TAIL[] = "\x1b[K\x1b[0m";
  if (head < 0 || static_cast<size_t>(head) + cut + sizeof TAIL > capacity) return 0;
  std::memcpy(out + head, text, cut);
  std::memcpy(out + head + cut, TAIL, sizeof TAIL - 1);
  return static_cast<size_t>(head) + cut + sizeof TAIL - 1;
}
