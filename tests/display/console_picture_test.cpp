// Console pictures: exact palette, glyph placement, every code drawn at both heights.
#include "display/console_picture.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/frame.h"

namespace {

std::vector<uint32_t> render(const std::vector<ConsoleCell>& cells, int height) {
  std::vector<uint32_t> out(static_cast<size_t>(CONSOLE_PICTURE_W) * console_picture_height(height));
  EXPECT_TRUE(console_picture_render(cells.data(), height, out.data()));
  return out;
}

int ink_in_cell(const std::vector<uint32_t>& pic, int col, int row, int height, uint32_t fg) {
  int ink = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < 8; ++x) ink += pic[(row * height + y) * CONSOLE_PICTURE_W + col * 8 + x] == fg;
  return ink;
}

TEST(ConsolePicture, CellsInTheExactPaletteAtTheirPlace) {
  std::vector<ConsoleCell> cells(CONSOLE_CELLS, ConsoleCell{0x20, 0x7F});
  cells[0] = {0xDB, 0x1C};                  // full block, bright red on dark blue
  cells[CONSOLE_CELLS - 1] = {0xDF, 0x4E};  // upper half, yellow on dark red
  for (int height : {8, 16}) {
    const std::vector<uint32_t> pic = render(cells, height);
    const uint32_t grey = pixel_rgba(192, 192, 192, 255), red = pixel_rgba(255, 0, 0, 255);
    const uint32_t yellow = pixel_rgba(255, 255, 0, 255), dark_red = pixel_rgba(128, 0, 0, 255);
    EXPECT_EQ(ink_in_cell(pic, 0, 0, height, red), 8 * height);
    EXPECT_EQ(ink_in_cell(pic, 1, 0, height, grey), 8 * height);  // space: background only
    const size_t last_row = static_cast<size_t>(CONSOLE_ROWS * height - 1) * CONSOLE_PICTURE_W;
    const size_t first_row = static_cast<size_t>((CONSOLE_ROWS - 1) * height) * CONSOLE_PICTURE_W;
    EXPECT_EQ(pic[first_row + CONSOLE_PICTURE_W - 1], yellow);
    EXPECT_EQ(pic[last_row + CONSOLE_PICTURE_W - 1], dark_red);
  }
}

TEST(ConsolePicture, EveryCodeIsDrawnAtBothHeights) {
  std::vector<ConsoleCell> cells(CONSOLE_CELLS, ConsoleCell{0, 0x0F});
  for (int code = 0; code < 256; ++code) cells[code] = {static_cast<uint16_t>(code), 0x0F};
  for (int height : {8, 16}) {
    const std::vector<uint32_t> pic = render(cells, height);
    const uint32_t white = pixel_rgba(255, 255, 255, 255);
    for (int code = 0; code < 256; ++code) {
      const int ink = ink_in_cell(pic, code % CONSOLE_COLS, code / CONSOLE_COLS, height, white);
      const bool blank = code == 0 || code == 0x20 || code == 0xFF;
      EXPECT_EQ(ink > 0, !blank) << code << " at " << height;
    }
    // Lower half block: ink exactly in the lower half, also where the 8 x 16
    // font lacks the shape and the 8 x 8 one stands in.
    const std::vector<ConsoleCell> one(CONSOLE_CELLS, ConsoleCell{0xDC, 0x0F});
    const std::vector<uint32_t> half = render(one, height);
    for (int y = 0; y < height; ++y)
      EXPECT_EQ(half[y * CONSOLE_PICTURE_W], y >= height / 2 ? white : pixel_rgba(0, 0, 0, 255)) << y;
  }
}

}  // namespace
