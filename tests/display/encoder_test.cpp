#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "display/ansi_encoder.h"
#include "display/cell_convert.h"
#include "display/cp437.h"
#include "support/model_terminal.h"

namespace {

struct Frames {
  std::mt19937 rng{17};
  std::vector<ConsoleCell> cells = std::vector<ConsoleCell>(GRID_CELLS_MAX);

  void randomize_all() {
    for (auto& c : cells) c = {static_cast<uint16_t>(rng() & 0xFF), static_cast<uint16_t>(rng() & 0xFF)};
  }
  // Changes some cells; runs of equal colour as in real frames, so the
  // encoder's colour-state and short-gap paths get exercised.
  void change_some(int count) {
    for (int k = 0; k < count; ++k) {
      const int at = static_cast<int>(rng() % CONSOLE_CELLS), run = 1 + static_cast<int>(rng() % 6);
      const auto attr = static_cast<uint16_t>(rng() & 0xFF);
      for (int i = at; i < at + run && i < CONSOLE_CELLS; ++i)
        cells[i] = {static_cast<uint16_t>(rng() & 0xFF), attr};
    }
  }
};

std::vector<char> buffer(ANSI_FRAME_MAX);

size_t encode(const std::vector<ConsoleCell>& cells, const std::vector<ConsoleCell>* previous,
              ColorMode mode, const AnsiLayout& layout, AnsiFrameInfo* info = nullptr) {
  return ansi_encode(cells.data(), previous ? previous->data() : nullptr, mode, layout, buffer.data(),
                     buffer.size(), info);
}

class EncoderModes : public ::testing::TestWithParam<ColorMode> {};

// A run of frames, each sent as a difference to the one before, then resizes:
// the console grid on a larger and a smaller terminal, fitted grids from
// 80 x 24 to 200 x 60 and back, and a chosen grid the terminal clips. Each
// resize is a full redraw into a terminal whose contents are unknown.
TEST_P(EncoderModes, TerminalReproducesEveryFrameAcrossResizes) {
  ColorMode mode = GetParam();
  Frames f;
  const GridRequest console{GridChoice::Console, 0, 0}, fit{GridChoice::Fit, 0, 0}, fixed{GridChoice::Fixed, 120, 40};
  for (const auto& [request, cols, rows] :
       {std::tuple(console, 80, 50), std::tuple(console, 100, 61), std::tuple(console, 70, 40), std::tuple(fit, 80, 24),
        std::tuple(fit, 200, 60), std::tuple(fit, 80, 24), std::tuple(fixed, 100, 30), std::tuple(fit, 300, 120)}) {
    const GridShape grid = grid_fit(request, cols, rows, 2.0f);
    const AnsiLayout layout = ansi_layout_grid(cols, rows, grid.cols, grid.rows);
    Terminal term(cols, rows);
    f.randomize_all();
    std::vector<ConsoleCell> previous = f.cells;
    term.feed(buffer.data(), encode(f.cells, nullptr, mode, layout));
    std::string when = std::to_string(grid.cols) + "x" + std::to_string(grid.rows) + " on " + std::to_string(cols) +
                       "x" + std::to_string(rows);
    expect_shows(term, f.cells.data(), layout, mode, (when + " full").c_str());
    for (int i = 0; i < 4; ++i) {
      f.change_some(i * 40);
      term.feed(buffer.data(), encode(f.cells, &previous, mode, layout));
      previous = f.cells;
      expect_shows(term, f.cells.data(), layout, mode, (when + " frame " + std::to_string(i)).c_str());
    }
    EXPECT_EQ(term.faults, 0) << when << ": a glyph was printed where the terminal would wrap or scroll";
  }
}

INSTANTIATE_TEST_SUITE_P(AllModes, EncoderModes,
                         ::testing::Values(ColorMode::Ansi16, ColorMode::Ansi256, ColorMode::TrueColor),
                         [](const auto& info) { return std::string(info.index == 0 ? "Ansi16" : info.index == 1 ? "Ansi256" : "TrueColor"); });

TEST(Encoder, LayoutCentresOnLargerAndClipsOnSmallerTerminals) {
  const AnsiLayout big = ansi_layout(101, 57), small = ansi_layout(60, 20), unknown = ansi_layout(0, 0);
  EXPECT_EQ(std::tuple(big.left, big.top, small.left, small.top), std::tuple(10, 3, 0, 0));
  EXPECT_EQ(std::tuple(unknown.term_cols, unknown.term_rows), std::tuple(80, 50));
}

// Below 8 x 3 a full redraw is one note, clipped to the width; later frames add nothing.
TEST(Encoder, TooSmallTerminalGetsOneNote) {
  Frames f;
  f.randomize_all();
  Terminal term(7, 2);
  const AnsiLayout layout = ansi_layout_grid(7, 2, 4, 1);
  term.feed(buffer.data(), encode(f.cells, nullptr, ColorMode::TrueColor, layout));
  std::string shown;
  for (int x = 0; x < 7; ++x) shown += static_cast<char>(term.at(x, 0).ch);
  EXPECT_EQ(shown, "termina");
  EXPECT_EQ(encode(f.cells, &f.cells, ColorMode::TrueColor, layout), 0u);
}

// An unchanged frame costs nothing but is counted; a single change costs one
// cursor move, one colour change and one glyph.
TEST(Encoder, SendsOnlyChangedCells) {
  Frames f;
  f.randomize_all();
  std::vector<ConsoleCell> previous = f.cells;
  AnsiFrameInfo info;
  EXPECT_EQ(std::tuple(encode(f.cells, &previous, ColorMode::TrueColor, ansi_layout(80, 50), &info), info.cells_elided,
                       info.cells_drawn), std::tuple(0u, CONSOLE_CELLS, 0));

  f.cells[7 * 80 + 3] = {'A', 0x1E};
  size_t n = encode(f.cells, &previous, ColorMode::Ansi16, ansi_layout(80, 50), &info);
  EXPECT_EQ(std::tuple(std::string(buffer.data(), n), info.cells_drawn, info.cells_elided),
            std::tuple("\x1b[8;4H\x1b[93;44mA", 1, CONSOLE_CELLS - 1));
}

// A blank cell shows no foreground and a full block no background: changing
// only those colours, or one blank for another, changes nothing visible.
TEST(Encoder, SkipsChangesNobodyCanSee) {
  std::vector<ConsoleCell> previous(CONSOLE_CELLS, {' ', 0x12});
  previous[1] = {0xDB, 0x34};
  std::vector<ConsoleCell> cells = previous;
  cells[0] = {0x00, 0x1F};
  cells[1] = {0xDB, 0x74};
  cells[2] = {0xFF, 0x15};
  AnsiFrameInfo info;
  EXPECT_EQ(std::tuple(encode(cells, &previous, ColorMode::TrueColor, ansi_layout(80, 50), &info), info.cells_elided),
            std::tuple(0u, CONSOLE_CELLS));
  cells[3] = {' ', 0x22};  // a new background is seen
  EXPECT_GT(encode(cells, &previous, ColorMode::TrueColor, ansi_layout(80, 50), &info), 0u);
  EXPECT_EQ(info.cells_drawn, 1);
}

TEST(Encoder, RefusesABufferTooSmallForTheWorstFrame) {
  Frames f;
  EXPECT_EQ(ansi_encode(f.cells.data(), nullptr, ColorMode::TrueColor, ansi_layout(80, 50), buffer.data(),
                        ansi_frame_max(CONSOLE_CELLS) - 1, nullptr), 0u);
}

// Code page 437 control codes are drawn as their glyphs; code 0 is a blank
// cell in its background colour.
TEST(Encoder, WritesCodePage437GlyphsAsUtf8) {
  for (const auto& [code, utf8] : {std::pair<uint8_t, const char*>{0x00, " "}, {0x01, "\xe2\x98\xba"}, {0x7F, "\xe2\x8c\x82"},
                                   {0xE9, "\xce\x98"}}) {
    std::vector<ConsoleCell> previous(CONSOLE_CELLS, {'x', 0x07}), cells = previous;
    cells[0] = {code, 0x40};
    const size_t n = encode(cells, &previous, ColorMode::Ansi16, ansi_layout(80, 50));
    EXPECT_EQ(std::string(buffer.data(), n), std::string("\x1b[1H\x1b[") + (code == 0 ? "41m" : "30;41m") + utf8) << int(code);
  }
}

TEST(Encoder, PicksColourModeFromEnvironment) {
  EXPECT_EQ(std::tuple(ansi_mode_from_env("truecolor", "xterm"), ansi_mode_from_env("24bit", nullptr),
                       ansi_mode_from_env("yes", "xterm-256color"), ansi_mode_from_env(nullptr, "tmux-256color"),
                       ansi_mode_from_env(nullptr, "linux"), ansi_mode_from_env(nullptr, nullptr)),
            std::tuple(ColorMode::TrueColor, ColorMode::TrueColor, ColorMode::Ansi256, ColorMode::Ansi256,
                       ColorMode::Ansi16, ColorMode::Ansi16));
}

}  // namespace
