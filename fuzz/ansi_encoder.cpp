// Arbitrary cells, previous cells, colour mode, terminal size and grid
// size: the encoder must stay inside its worst-case bound and emit only whole UTF-8
// glyphs and escape sequences, never a raw control byte.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "display/ansi_encoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 7) return 0;
  int cols = data[0] | (data[1] & 1) << 8;
  int rows = data[2] | (data[3] & 1) << 8;
  auto mode = static_cast<ColorMode>(data[4] & 3);
  // Half the inputs keep the console grid, the rest any grid up to the largest.
  const bool console = data[5] & 0x80;
  const int grid_cols = console ? CONSOLE_COLS : 1 + (data[5] & 0x7F) * (GRID_COLS_MAX - 1) / 0x7F;
  const int grid_rows = console ? CONSOLE_ROWS : 1 + data[6] % GRID_ROWS_MAX;
  data += 7;
  size -= 7;
  static ConsoleCell cells[GRID_CELLS_MAX], previous[GRID_CELLS_MAX];
  std::memset(cells, 0, sizeof cells);
  std::memset(previous, 0, sizeof previous);
  // The input fills cells (low bytes only, as the presenter writes them)
  // and then the previous frame, cycling so short inputs still vary.
  for (int i = 0; i < grid_cols * grid_rows && size > 0; ++i) {
    cells[i] = {data[(2 * i) % size], data[(2 * i + 1) % size]};
    previous[i] = {data[(2 * i + 7) % size], data[(2 * i + 3) % size]};
  }
  static std::vector<char> out(ANSI_FRAME_MAX + 1);
  out[ANSI_FRAME_MAX] = 0x55;
  AnsiLayout layout = ansi_layout_grid(cols, rows, grid_cols, grid_rows);
  for (const ConsoleCell* before : {static_cast<const ConsoleCell*>(nullptr), static_cast<const ConsoleCell*>(previous)}) {
    size_t n = ansi_encode(cells, before, mode, layout, out.data(), ANSI_FRAME_MAX, nullptr);
    if (n > ANSI_FRAME_MAX || out[ANSI_FRAME_MAX] != 0x55) std::abort();
    for (size_t i = 0; i < n; ++i) {
      auto c = static_cast<unsigned char>(out[i]);
      if (c < 0x20 && c != 0x1B) std::abort();
    }
  }
  return 0;
}
