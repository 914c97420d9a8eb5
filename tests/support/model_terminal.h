#pragma once
// A model terminal for tests: it interprets what the show sends (cursor
// moves, SGR in all three colour forms, UTF-8 glyphs, clear screen) into a
// grid of cells, and checks that grid against the console cells it should
// show.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "display/ansi_encoder.h"
#include "display/cell_convert.h"
#include "display/console.h"
#include "display/cp437.h"

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

inline Rgb xterm_rgb(int n) {
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
inline bool color_matches(Rgb shown, int color, ColorMode mode) {
  const ColorSample& want = CONSOLE_PALETTE[color];
  const int slack = mode == ColorMode::Ansi256 ? 12 : 0;
  return std::abs(shown.r - want.r) <= slack && std::abs(shown.g - want.g) <= slack && std::abs(shown.b - want.b) <= slack;
}

// Checks what the terminal shows against the cells: glyph and background
// everywhere, foreground where the glyph draws any.
inline void expect_shows(const Terminal& term, const ConsoleCell* cells, const AnsiLayout& layout,
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
