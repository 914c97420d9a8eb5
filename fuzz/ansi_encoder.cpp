// Arbitrary cells, previous cells, colour mode and terminal size: the
// encoder must stay inside its worst-case bound and emit only whole UTF-8
// glyphs and escape sequences, never a raw control byte.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "display/ansi_encoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  int cols = data[0] | (data[1] & 1) << 8;
  int rows = data[2] | (data[3] & 1) << 8;
  auto mode = static_cast<ColorMode>(data[4] & 3);
  data += 5;
  size -= 5;
  static ConsoleCell cells[CONSOLE_CELLS], previous[CONSOLE_CELLS];
  std::memset(cells, 0, sizeof cells);
  std::memset(previous, 0, sizeof previous);
  // The input fills cells (low bytes only, as the presenter writes them)
  // and then the previous frame, cycling so short inputs still vary.
  for (int i = 0; i < CONSOLE_CELLS && size > 0; ++i) {
    cells[i] = {data[(2 * i) % size], data[(2 * i + 1) % size]};
    previous[i] = {data[(2 * i + 7) % size], data[(2 * i + 3) % size]};
  }
  static std::vector<char> out(ANSI_FRAME_MAX + 1);
  out[ANSI_FRAME_MAX] = 0x55;
  AnsiLayout layout = ansi_layout(cols, rows);
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
