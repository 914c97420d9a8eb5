#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "display/ansi_encoder.h"
#include "display/cell_convert.h"
#include "display/cp437.h"

namespace {

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};

constexpr Rgb DEFAULT_COLOR{-1, -1, -1};

// The 16 ANSI colours named by their ANSI numbers (red is 1, blue is 4),
// given the console palette's values.
constexpr Rgb ANSI_RGB[16] = {{0, 0, 0},       {128, 0, 0},     {0, 128, 0},   {128, 128, 0},
                              {0, 0, 128},     {128, 0, 128},   {0, 128, 128}, {192, 192, 192},
                              {128, 128, 128}, {255, 0, 0},     {0, 255, 0},   {255, 255, 0},
                              {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255}};

Rgb xterm_rgb(int n) {
  if (n >= 232) return {8 + 10 * (n - 232), 8 + 10 * (n - 232), 8 + 10 * (n - 232)};
  auto level = [](int i) { return i == 0 ? 0 : 55 + 40 * i; };
  n -= 16;
  return {level(n / 36), level(n / 6 % 6), level(n % 6)};
}

struct TermCell {
  uint32_t ch;
  Rgb fg, bg;
};

// A small terminal: cursor moves, SGR in all three colour forms, UTF-8
// glyphs, clear screen. Printing at a pending wrap (past the last column)
// is recorded as a fault: the picture must never wrap or scroll.
class Terminal {
 public:
  Terminal(int cols, int rows) : cols_(cols), rows_(rows), grid_(cols * rows, {'#', {1, 2, 3}, {4, 5, 6}}) {}

  void feed(const char* p, size_t n) {
    for (size_t i = 0; i < n;) {
      const auto c = static_cast<uint8_t>(p[i]);
      if (c == 0x1B) {
        i = escape(p, n, i);
        continue;
      }
      EXPECT_GE(c, 0x20) << "control byte in the picture";
      const int extra = c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
      uint32_t u = extra == 2 ? c & 0x0F : extra == 1 ? c & 0x1F : c;
      for (int k = 1; k <= extra && i + k < n; ++k) u = u << 6 | (static_cast<uint8_t>(p[i + k]) & 0x3F);
      i += 1 + extra;
      print(u);
    }
  }

  const TermCell& at(int x, int y) const { return grid_[y * cols_ + x]; }
  int faults = 0;

 private:
  // Parameters of a CSI sequence, -1 where one is left out.
  size_t escape(const char* p, size_t n, size_t i) {
    EXPECT_TRUE(i + 1 < n && p[i + 1] == '[') << "only CSI sequences are expected in a frame";
    size_t j = i + 2;
    const bool priv = j < n && p[j] == '?';
    std::vector<int> v{-1};
    for (j += priv; j < n && ((p[j] >= '0' && p[j] <= '9') || p[j] == ';'); ++j) {
      if (p[j] == ';') v.push_back(-1);
      else v.back() = std::max(v.back(), 0) * 10 + (p[j] - '0');
    }
    if (!priv) command(p[j], v);
    return j + 1;
  }

  static int param(const std::vector<int>& v, size_t k, int def) {
    return k < v.size() && v[k] >= 0 ? v[k] : def;
  }

  void command(char f, const std::vector<int>& v) {
    if (f == 'H') y_ = param(v, 0, 1) - 1, x_ = param(v, 1, 1) - 1, wrap_pending_ = false;
    else if (f == 'C') x_ = std::min(x_ + param(v, 0, 1), cols_ - 1), wrap_pending_ = false;
    else if (f == 'J' && param(v, 0, 0) == 2) std::fill(grid_.begin(), grid_.end(), TermCell{' ', DEFAULT_COLOR, bg_});
    else if (f == 'm') sgr(v);
    else ADD_FAILURE() << "unexpected CSI final " << f;
  }

  void sgr(const std::vector<int>& v) {
    for (size_t k = 0; k < v.size(); ++k) {
      const int a = param(v, k, 0), base = a / 10 * 10, d = a % 10;
      Rgb& target = base == 40 || base == 100 ? bg_ : fg_;
      if (a == 0) fg_ = bg_ = DEFAULT_COLOR;
      else if (d <= 7 && (base == 30 || base == 40 || base == 90 || base == 100)) target = ANSI_RGB[d + (base >= 90 ? 8 : 0)];
      else if ((a == 38 || a == 48) && param(v, k + 1, 0) == 5) target = xterm_rgb(param(v, k + 2, 0)), k += 2;
      else if ((a == 38 || a == 48) && param(v, k + 1, 0) == 2)
        target = {param(v, k + 2, 0), param(v, k + 3, 0), param(v, k + 4, 0)}, k += 4;
      else ADD_FAILURE() << "unexpected SGR " << a;
    }
  }

  void print(uint32_t u) {
    if (wrap_pending_ || x_ < 0 || y_ < 0 || x_ >= cols_ || y_ >= rows_) {
      ++faults;
      return;
    }
    grid_[y_ * cols_ + x_] = {u, fg_, bg_};
    if (x_ == cols_ - 1) wrap_pending_ = true;
    else ++x_;
  }

  int cols_, rows_;
  std::vector<TermCell> grid_;
  int x_ = 0, y_ = 0;
  bool wrap_pending_ = false;
  Rgb fg_ = DEFAULT_COLOR, bg_ = DEFAULT_COLOR;
};

// 256 colours only approximate the palette (its colours lie far enough apart
// that two sharing one fixed colour still fail); 16 and true colour are exact.
bool color_matches(Rgb shown, int color, ColorMode mode) {
  const ColorSample& want = CONSOLE_PALETTE[color];
  const int slack = mode == ColorMode::Ansi256 ? 12 : 0;
  return std::abs(shown.r - want.r) <= slack && std::abs(shown.g - want.g) <= slack && std::abs(shown.b - want.b) <= slack;
}

// Checks what the terminal shows against the cells: glyph and background
// everywhere, foreground where the glyph draws any.
void expect_shows(const Terminal& term, const ConsoleCell* cells, const AnsiLayout& layout,
                  ColorMode mode, const char* when) {
  int bad = 0;
  for (int y = 0; y < layout.term_rows; ++y) {
    for (int x = 0; x < layout.term_cols; ++x) {
      const TermCell& shown = term.at(x, y);
      const int col = x - layout.left, row = y - layout.top;
      if (col < 0 || row < 0 || col >= layout.grid_cols || row >= layout.grid_rows) {
        if (shown.ch != ' ' || !(shown.bg == DEFAULT_COLOR)) ++bad;  // margins stay clear
        continue;
      }
      const ConsoleCell& c = cells[row * layout.grid_cols + col];
      uint32_t u = cp437_to_unicode(static_cast<uint8_t>(c.character));
      int fg = c.attribute & 15, bg = c.attribute >> 4 & 15;
      bool blank = u == 0x20 || u == 0xA0;
      bool ok = shown.ch == u || (blank && (shown.ch == 0x20 || shown.ch == 0xA0));
      if (u != 0x2588) ok = ok && color_matches(shown.bg, bg, mode);
      if (!blank) ok = ok && color_matches(shown.fg, fg, mode);
      if (!ok && bad++ < 3)
        ADD_FAILURE() << when << ": cell " << col << "," << row << " shows U+" << std::hex << shown.ch
                      << " for code " << c.character << " attr " << c.attribute;
    }
  }
  EXPECT_EQ(bad, 0) << when;
}

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

// A run of frames, each sent as a difference to the one before, then a resize
// to a larger and to a smaller terminal (each a full redraw into a terminal
// whose contents are unknown) and more differences there.
TEST_P(EncoderModes, TerminalReproducesEveryFrameAcrossResizes) {
  ColorMode mode = GetParam();
  Frames f;
  for (const auto& [cols, rows, frames] : {std::tuple(80, 50, 8), std::tuple(100, 61, 4), std::tuple(70, 40, 4)}) {
    const AnsiLayout layout = ansi_layout(cols, rows);
    Terminal term(cols, rows);
    f.randomize_all();
    std::vector<ConsoleCell> previous = f.cells;
    term.feed(buffer.data(), encode(f.cells, nullptr, mode, layout));
    std::string when = std::to_string(cols) + "x" + std::to_string(rows) + " full";
    expect_shows(term, f.cells.data(), layout, mode, when.c_str());
    for (int i = 0; i < frames; ++i) {
      f.change_some(i * 40);
      term.feed(buffer.data(), encode(f.cells, &previous, mode, layout));
      previous = f.cells;
      when = std::to_string(cols) + "x" + std::to_string(rows) + " frame " + std::to_string(i);
      expect_shows(term, f.cells.data(), layout, mode, when.c_str());
    }
    EXPECT_EQ(term.faults, 0) << "a glyph was printed where the terminal would wrap or scroll";
  }
}

// The same through fitted grids: the terminal opens at 80 x 24, is resized to
// 200 x 60 and back, and to one where a chosen grid is clipped; each resize is
// a full redraw of a grid of another size, then differences again.
TEST_P(EncoderModes, FittedGridsReproduceEveryFrameAcrossResizes) {
  ColorMode mode = GetParam();
  Frames f;
  const GridRequest fit{GridChoice::Fit, 0, 0}, fixed{GridChoice::Fixed, 120, 40};
  for (const auto& [request, cols, rows] : {std::tuple(fit, 80, 24), std::tuple(fit, 200, 60), std::tuple(fit, 80, 24),
                                            std::tuple(fixed, 100, 30), std::tuple(fit, 300, 120)}) {
    const GridShape grid = grid_fit(request, cols, rows, 2.0f);
    const AnsiLayout layout = ansi_layout_grid(cols, rows, grid.cols, grid.rows);
    Terminal term(cols, rows);
    f.randomize_all();
    std::vector<ConsoleCell> previous = f.cells;
    term.feed(buffer.data(), encode(f.cells, nullptr, mode, layout));
    std::string when = std::to_string(grid.cols) + "x" + std::to_string(grid.rows) + " on " + std::to_string(cols) +
                       "x" + std::to_string(rows);
    expect_shows(term, f.cells.data(), layout, mode, (when + " full").c_str());
    for (int i = 0; i < 3; ++i) {
      f.change_some(40 + i * 40);
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
  struct {
    uint8_t code;
    const char* utf8;
  } cases[] = {{0x00, " "}, {0x01, "\xe2\x98\xba"}, {0x7F, "\xe2\x8c\x82"}, {0xE9, "\xce\x98"}};
  for (const auto& c : cases) {
    std::vector<ConsoleCell> previous(CONSOLE_CELLS, {'x', 0x07});
    std::vector<ConsoleCell> cells = previous;
    cells[0] = {c.code, 0x40};
    size_t n = encode(cells, &previous, ColorMode::Ansi16, ansi_layout(80, 50));
    std::string want = std::string("\x1b[1H\x1b[") + (c.code == 0 ? "41m" : "30;41m") + c.utf8;
    EXPECT_EQ(std::string(buffer.data(), n), want) << int(c.code);
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
