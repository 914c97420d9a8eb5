#pragma once
// The converter's lane code as its two twins (plain x86-64 and AVX2), which
// give the same bytes; the converter picks one at start-up. Declared here so
// the tests can run both.
#include <cstdint>

#include "common/frame.h"

// cell_convert_grid.
void cell_convert_grid_plain(const Pixel* picture, int cols, int rows, Pixel* previous, uint8_t* characters,
                             uint8_t* attributes);
void cell_convert_grid_avx2(const Pixel* picture, int cols, int rows, Pixel* previous, uint8_t* characters,
                            uint8_t* attributes);

// One cell of the frame: its colours, its mix (-1 on the pattern path) and its
// pattern glyph between the colours of `pair` (background << 4 | foreground),
// or between its own two when `pair` is negative.
struct CellBlock {
  int32_t background, foreground;
  float mix;
  uint8_t glyph;
};
CellBlock cell_block_plain(const Pixel* frame, int col, int row, int32_t pair);
CellBlock cell_block_avx2(const Pixel* frame, int col, int row, int32_t pair);
