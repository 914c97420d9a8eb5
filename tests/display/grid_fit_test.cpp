#include "display/grid_fit.h"
#include "platform/terminal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace {

const GridRequest FIT{GridChoice::Fit, 0, 0};

// Width over height as shown: cells cell_aspect times as tall as wide.
double shown_aspect(GridShape g, float cell_aspect) { return g.cols / (g.rows * static_cast<double>(cell_aspect)); }

std::tuple<int, int> shape(GridShape g) { return {g.cols, g.rows}; }

}  // namespace

TEST(GridFit, UsesTheTerminalAtThePicturesShape) {
  // The common 80 x 24 terminal: every row, at 1.6 : 1 within 5 %.
  const GridShape small = grid_fit(FIT, 80, 24, 2.0f);
  EXPECT_EQ(small.rows, 24);
  EXPECT_LE(small.cols, 80);
  EXPECT_NEAR(shown_aspect(small, 2.0f), 1.6, 0.08);
  EXPECT_EQ(shape(grid_fit(FIT, 200, 60, 2.0f)), std::tuple(160, 50));
  // Capped at 160 columns (and 100 rows); the layout centres what is left.
  EXPECT_EQ(shape(grid_fit(FIT, 300, 120, 2.0f)), std::tuple(160, 50));
  EXPECT_EQ(shape(grid_fit(FIT, 200, 150, 0.8f)), std::tuple(128, 100));
  // A wide, short terminal is bound by its rows, a narrow tall one by its columns.
  const GridShape narrow = grid_fit(FIT, 40, 60, 2.0f);
  EXPECT_LE(narrow.cols, 40);
  EXPECT_NEAR(shown_aspect(narrow, 2.0f), 1.6, 0.08);
}

TEST(GridFit, SquareCellsWithRoomForTheConsoleGetTheConsoleGrid) {
  EXPECT_EQ(shape(grid_fit(FIT, 100, 55, 1.0f)), std::tuple(80, 50));
  EXPECT_EQ(shape(grid_fit(FIT, 80, 50, 1.1f)), std::tuple(80, 50));
  // Not quite square, or not enough room: fitted instead.
  EXPECT_NE(shape(grid_fit(FIT, 100, 55, 1.3f)), std::tuple(80, 50));
  EXPECT_NE(shape(grid_fit(FIT, 80, 49, 1.0f)), std::tuple(80, 50));
}

TEST(GridFit, ChosenGridsAndUnknownTerminals) {
  EXPECT_EQ(shape(grid_fit({GridChoice::Console, 0, 0}, 80, 24, 2.0f)), std::tuple(80, 50));
  EXPECT_EQ(shape(grid_fit({GridChoice::Fixed, 120, 40}, 80, 24, 2.0f)), std::tuple(120, 40));
  EXPECT_EQ(shape(grid_fit(FIT, 0, 0, 2.0f)), std::tuple(80, 50));
  // The tiniest terminals still get a grid of at least one cell.
  const GridShape tiny = grid_fit(FIT, 2, 1, 2.0f);
  EXPECT_GE(tiny.cols, 1);
  EXPECT_GE(tiny.rows, 1);
}

TEST(GridFit, CellShapeFromPixelsIgnoresAbsurdReports) {
  EXPECT_FLOAT_EQ(term_cell_aspect(800, 480, 80, 24), 2.0f);  // 10 x 20 cells
  EXPECT_FLOAT_EQ(term_cell_aspect(640, 400, 80, 50), 1.0f);
  EXPECT_EQ(term_cell_aspect(0, 480, 80, 24), 0.0f);
  EXPECT_EQ(term_cell_aspect(800, 0, 80, 24), 0.0f);
  EXPECT_EQ(term_cell_aspect(10, 100, 1, 1), 0.0f);  // 10 : 1
  EXPECT_EQ(term_cell_aspect(100, 20, 1, 1), 0.0f);  // 1 : 5
}

TEST(GridFit, ParsesSizes) {
  int cols = 0, rows = 0;
  float aspect = 0;
  EXPECT_TRUE(grid_parse_size("80x24@2", &cols, &rows, &aspect));
  EXPECT_EQ(std::tuple(cols, rows, aspect), std::tuple(80, 24, 2.0f));
  EXPECT_TRUE(grid_parse_size("240x150", &cols, &rows, &aspect));
  EXPECT_TRUE(grid_parse_size("1x1@1.1", &cols, &rows, &aspect));
  EXPECT_FLOAT_EQ(aspect, 1.1f);
  for (const char* bad : {"", "x", "80", "80x", "x24", "0x10", "241x10", "10x151", "-5x10", "80x24x",
                          "80x24@", "80x24@0", "80x24@9", "80x24@2q", " 80x24", "80 x24", "+80x24"}) {
    EXPECT_FALSE(grid_parse_size(bad, &cols, &rows, &aspect)) << bad;
  }
  EXPECT_FALSE(grid_parse_size("80x24@2", &cols, &rows, nullptr));  // a grid has no cell shape
}
