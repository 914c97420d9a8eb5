// The console at fitted grids: what it converts and sends, checked against
// the resampler and the converter used directly.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "display/ansi_encoder.h"
#include "display/cell_convert.h"
#include "display/console.h"
#include "display/lookup_tables.h"
#include "display/resample.h"

namespace {

class ConsoleGrid : public ::testing::Test {
 protected:
  void SetUp() override {
    // Tables that make every block's cell depend on its colours.
    for (int i = 0; i < CHAR_MAP_SIZE; ++i) CharMap[i] = static_cast<uint8_t>(i * 7 + i / 251);
    for (int i = 0; i < COLOR_CODES; ++i) {
      ColorPairMap[i] = static_cast<uint8_t>(i * 13);
      ColorMixMap[i] = static_cast<float>(i % 97) / 96.0f - 0.1f;
    }
  }
  void TearDown() override { con_configure({ColorMode::Auto, false}); }

  static void headless_terminal(GridRequest grid, int cols, int rows, float aspect) {
    ConsoleOptions o{ColorMode::TrueColor, true};
    o.grid = grid;
    o.term_cols = cols;
    o.term_rows = rows;
    o.cell_aspect = aspect;
    con_configure(o);
  }

  // A fresh conversion of the frame at the grid the console uses now.
  static std::vector<ConsoleCell> converted(const Pixel* frame) {
    const GridShape g = con_grid();
    static Pixel picture[RESAMPLE_W_MAX * RESAMPLE_H_MAX];
    static uint8_t characters[GRID_CELLS_MAX], attributes[GRID_CELLS_MAX];
    resample_setup(3 * g.cols, 3 * g.rows);
    resample_frame(frame, picture);
    cell_convert_grid(picture, g.cols, g.rows, nullptr, characters, attributes);
    std::vector<ConsoleCell> cells(static_cast<size_t>(g.cols * g.rows));
    for (size_t i = 0; i < cells.size(); ++i) cells[i] = {characters[i], attributes[i]};
    return cells;
  }

  static bool presented_is(const std::vector<ConsoleCell>& want) {
    return std::equal(want.begin(), want.end(), CellBuffer, [](ConsoleCell a, ConsoleCell b) {
      return a.character == b.character && a.attribute == b.attribute;
    });
  }

  std::vector<Pixel> random_frame(unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<Pixel> f(FRAME_PIXELS);
    for (int p = 0; p < FRAME_PIXELS; ++p) f[p] = (p / FRAME_W) % 20 < 10 ? rng() : pixel_rgba(p % FRAME_W, 40, 90);
    return f;
  }
};

}  // namespace

// An 80 x 24 terminal of tall cells: the 77 x 24 grid, centred, converted
// from the resampled frame; an unchanged frame sends nothing, and a changed
// one converts (through the unchanged-block shortcut) to what a fresh
// conversion gives.
TEST_F(ConsoleGrid, FittedGridConvertsTheResampledFrameAndSkipsUnchangedBlocks) {
  headless_terminal({GridChoice::Fit, 0, 0}, 80, 24, 2.0f);
  std::vector<Pixel> a = random_frame(3), b = a;
  for (int p = 0; p < FRAME_PIXELS / 3; ++p) b[p] = pixel_rgba(p, 200, p / 7);
  con_present(a.data());
  ASSERT_EQ(std::tuple(con_grid().cols, con_grid().rows), std::tuple(77, 24));
  EXPECT_EQ(std::tuple(con_layout().left, con_layout().top, con_layout().term_cols), std::tuple(1, 0, 80));
  const std::vector<ConsoleCell> want_a = converted(a.data()), want_b = converted(b.data());
  EXPECT_TRUE(presented_is(want_a));
  con_present(a.data());
  EXPECT_EQ(con_frame_stats().cells_elided, 77u * 24u);
  con_present(b.data());
  EXPECT_TRUE(presented_is(want_b));
  EXPECT_LT(con_frame_stats().cells_elided, 77u * 24u);
}

// Going from the console grid to a fitted one and back never mixes the two
// grids' remembered cells; the console grid is exactly con_convert.
TEST_F(ConsoleGrid, SwitchingGridsKeepsEachGridsCellsApart) {
  std::vector<Pixel> a = random_frame(5), b = random_frame(6);
  headless_terminal({GridChoice::Console, 0, 0}, 0, 0, 0);
  con_present(a.data());
  const std::vector<ConsoleCell> console_a(CellBuffer, CellBuffer + CONSOLE_CELLS);
  headless_terminal({GridChoice::Fit, 0, 0}, 200, 60, 2.0f);
  con_present(b.data());
  ASSERT_EQ(std::tuple(con_grid().cols, con_grid().rows), std::tuple(160, 50));
  EXPECT_TRUE(presented_is(converted(b.data())));
  EXPECT_EQ(std::tuple(con_layout().left, con_layout().top), std::tuple(20, 5));
  // The console's own cells stay at 80 x 50 whatever the terminal gets.
  const ConsoleCell* console_b = con_console_cells(b.data(), CellBuffer);
  EXPECT_NE(console_b, CellBuffer);
  headless_terminal({GridChoice::Console, 0, 0}, 0, 0, 0);
  con_present(a.data());
  EXPECT_TRUE(presented_is(console_a));
}
