#include "display/ansi_encoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "display/cell_color.h"
#include "display/cp437.h"

namespace {

struct Glyph {
  char bytes[4];
  uint8_t len;
};

// One SGR parameter list such as "38;2;255;0;0", ready to copy.
struct ColorCode {
  char text[20];
  uint8_t len;
};

struct Tables {
  Glyph glyph[256];
  bool blank[256];  // draws no foreground: its colour need not be set
  bool solid[256];  // covers the whole cell: its background need not be set
  int xterm[16];
  ColorCode code[3][2][16];  // [16 / 256 / true colour][foreground, background][colour]
};

int mode_slot(ColorMode mode) {
  return mode == ColorMode::TrueColor ? 2 : mode == ColorMode::Ansi256 ? 1 : 0;
}

Glyph utf8_of(uint32_t u) {
  Glyph g{};
  if (u < 0x80) {
    g.bytes[0] = static_cast<char>(u);
    g.len = 1;
  } else if (u < 0x800) {
    g.bytes[0] = static_cast<char>(0xC0 | (u >> 6));
    g.bytes[1] = static_cast<char>(0x80 | (u & 0x3F));
    g.len = 2;
  } else {
    g.bytes[0] = static_cast<char>(0xE0 | (u >> 12));
    g.bytes[1] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    g.bytes[2] = static_cast<char>(0x80 | (u & 0x3F));
    g.len = 3;
  }
  return g;
}

int xterm_component(int i) { return i == 0 ? 0 : 55 + 40 * i; }

int nearest_xterm(int r, int g, int b) {
  int best = 16;
  int best_d = 1 << 30;
  for (int n = 16; n < 256; ++n) {
    int cr, cg, cb;
    if (n < 232) {
      cr = xterm_component((n - 16) / 36);
      cg = xterm_component((n - 16) / 6 % 6);
      cb = xterm_component((n - 16) % 6);
    } else {
      cr = cg = cb = 8 + 10 * (n - 232);
    }
    int d = (r - cr) * (r - cr) + (g - cg) * (g - cg) + (b - cb) * (b - cb);
    if (d < best_d) {
      best_d = d;
      best = n;
    }
  }
  return best;
}

Tables build_tables() {
  Tables t{};
  for (int c = 0; c < 256; ++c) {
    uint32_t u = cp437_to_unicode(static_cast<uint8_t>(c));
    // Only BMP code points occur in code page 437; anything else is a blank.
    t.glyph[c] = utf8_of(u > 0xFFFF || u == 0 ? 0x20 : u);
    t.blank[c] = u == 0x20 || u == 0xA0 || u == 0;
    t.solid[c] = u == 0x2588;
  }
  for (int i = 0; i < 16; ++i) {
    const ColorSample& c = CONSOLE_PALETTE[i];
    t.xterm[i] = nearest_xterm(c.r, c.g, c.b);
    int a = ansi_16_of(i);
    for (int bg = 0; bg < 2; ++bg) {
      ColorCode* k = t.code[0][bg];
      k[i].len = static_cast<uint8_t>(std::snprintf(k[i].text, sizeof k[i].text, "%d",
                                                    (a >= 8 ? 90 : 30) + (bg ? 10 : 0) + (a & 7)));
      k = t.code[1][bg];
      k[i].len = static_cast<uint8_t>(std::snprintf(k[i].text, sizeof k[i].text, "%d;5;%d", bg ? 48 : 38, t.xterm[i]));
      k = t.code[2][bg];
      k[i].len = static_cast<uint8_t>(
          std::snprintf(k[i].text, sizeof k[i].text, "%d;2;%d;%d;%d", bg ? 48 : 38, c.r, c.g, c.b));
    }
  }
  return t;
}

const Tables& tables() {
  static const Tables t = build_tables();
  return t;
}

struct Writer {
  char* p;
  void put(char c) { *p++ = c; }
  void put(const char* s, size_t n) {
    std::memcpy(p, s, n);
    p += n;
  }
  void num(unsigned v) {
    char digits[10];
    int n = 0;
    do {
      digits[n++] = static_cast<char>('0' + v % 10);
      v /= 10;
    } while (v);
    while (n) put(digits[--n]);
  }
};

// Cells that differ only in a colour their glyph does not show look the
// same and need not be sent again.
bool looks_same(const Tables& t, uint8_t ch, uint8_t attr, uint8_t was_ch, uint8_t was_attr) {
  if (t.blank[ch] && t.blank[was_ch]) return (attr >> 4) == (was_attr >> 4);
  if (ch != was_ch) return false;
  if (t.solid[ch]) return (attr & 15) == (was_attr & 15);
  return attr == was_attr;
}

unsigned digit_count(unsigned v) {
  unsigned n = 1;
  while (v >= 10) {
    v /= 10;
    ++n;
  }
  return n;
}

}  // namespace

int ansi_xterm256_of(int console_color) { return tables().xterm[console_color & 15]; }

int ansi_16_of(int console_color) {
  int c = console_color & 15;
  return (c & 8) | (c & 2) | (c & 1) << 2 | (c & 4) >> 2;
}

AnsiLayout ansi_layout(int term_cols, int term_rows) {
  return ansi_layout_grid(term_cols, term_rows, CONSOLE_COLS, CONSOLE_ROWS);
}

AnsiLayout ansi_layout_grid(int term_cols, int term_rows, int grid_cols, int grid_rows) {
  if (term_cols <= 0 || term_rows <= 0) return {grid_cols, grid_rows, 0, 0, grid_cols, grid_rows};
  return {term_cols, term_rows, term_cols > grid_cols ? (term_cols - grid_cols) / 2 : 0,
          term_rows > grid_rows ? (term_rows - grid_rows) / 2 : 0, grid_cols, grid_rows};
}

size_t ansi_encode(const ConsoleCell* cells, const ConsoleCell* previous, ColorMode mode,
                   const AnsiLayout& layout, char* out, size_t capacity, AnsiFrameInfo* info) {
  AnsiFrameInfo counts{0, 0};
  if (info) *info = counts;
  const int stride = layout.grid_cols;
  if (capacity < ansi_frame_max(stride * layout.grid_rows)) return 0;
  const Tables& t = tables();
  const ColorCode(&codes)[2][16] = t.code[mode_slot(mode)];
  Writer w{out};
  if (!previous) w.put("\x1b[0m\x1b[2J", 8);

  if (layout.term_cols < TERM_COLS_MIN || layout.term_rows < TERM_ROWS_MIN) {
    // No room for a picture: a note, once, as wide as the terminal allows.
    static const char NOTE[] = "terminal too small";
    if (!previous) {
      w.put("\x1b[H", 3);
      w.put(NOTE, std::min(sizeof NOTE - 1, static_cast<size_t>(std::max(layout.term_cols, 0))));
    }
    return static_cast<size_t>(w.p - out);
  }

  int cols = layout.term_cols - layout.left;
  int rows = layout.term_rows - layout.top;
  if (cols > layout.grid_cols) cols = layout.grid_cols;
  if (rows > layout.grid_rows) rows = layout.grid_rows;

  int cur_x = -1, cur_y = -1;  // terminal cursor, -1 when not known
  int fg = -1, bg = -1;        // colours in force, -1 when not known
  for (int row = 0; row < rows; ++row) {
    const ConsoleCell* line = cells + row * stride;
    const ConsoleCell* before = previous ? previous + row * stride : nullptr;
    for (int col = 0; col < cols; ++col) {
      uint8_t ch = static_cast<uint8_t>(line[col].character);
      uint8_t attr = static_cast<uint8_t>(line[col].attribute);
      if (before && looks_same(t, ch, attr, static_cast<uint8_t>(before[col].character),
                               static_cast<uint8_t>(before[col].attribute))) {
        ++counts.cells_elided;
        continue;
      }
      int tx = layout.left + col, ty = layout.top + row;
      if (cur_y == ty && cur_x >= 0 && cur_x < tx) {
        // A short gap of unchanged cells is cheaper to repeat than to jump
        // over, when they need no colour change.
        int gap = tx - cur_x;
        unsigned jump = gap == 1 ? 3 : 3 + digit_count(static_cast<unsigned>(gap));
        unsigned repeat = 0;
        for (int k = col - gap; k < col && repeat <= jump; ++k) {
          uint8_t kc = static_cast<uint8_t>(line[k].character);
          uint8_t ka = static_cast<uint8_t>(line[k].attribute);
          bool same = (t.blank[kc] || (ka & 15) == fg) && (t.solid[kc] || (ka >> 4) == bg);
          repeat += same ? t.glyph[kc].len : jump + 1;
        }
        if (repeat <= jump) {
          for (int k = col - gap; k < col; ++k) {
            const Glyph& g = t.glyph[static_cast<uint8_t>(line[k].character)];
            w.put(g.bytes, g.len);
          }
        } else {
          w.put("\x1b[", 2);
          if (gap > 1) w.num(static_cast<unsigned>(gap));
          w.put('C');
        }
      } else if (cur_y != ty || cur_x != tx) {
        w.put("\x1b[", 2);
        w.num(static_cast<unsigned>(ty + 1));
        if (tx > 0) {
          w.put(';');
          w.num(static_cast<unsigned>(tx + 1));
        }
        w.put('H');
      }
      int f = attr & 15, b = attr >> 4;
      bool set_fg = !t.blank[ch] && f != fg;
      bool set_bg = !t.solid[ch] && b != bg;
      if (set_fg || set_bg) {
        w.put("\x1b[", 2);
        if (set_fg) w.put(codes[0][f].text, codes[0][f].len);
        if (set_fg && set_bg) w.put(';');
        if (set_bg) w.put(codes[1][b].text, codes[1][b].len);
        w.put('m');
        if (set_fg) fg = f;
        if (set_bg) bg = b;
      }
      w.put(t.glyph[ch].bytes, t.glyph[ch].len);
      ++counts.cells_drawn;
      // Past the last column the next glyph would wrap (and on the last row
      // scroll); the next changed cell is then on a new row, which always
      // starts with a cursor move.
      cur_x = tx + 1;
      cur_y = ty;
    }
  }
  if (info) *info = counts;
  return static_cast<size_t>(w.p - out);
}

ColorMode ansi_mode_from_env(const char* colorterm, const char* term) {
  if (colorterm && (std::strcmp(colorterm, "truecolor") == 0 || std::strcmp(colorterm, "24bit") == 0))
    return ColorMode::TrueColor;
  if (term && std::strstr(term, "256color")) return ColorMode::Ansi256;
  return ColorMode::Ansi16;
}

size_t ansi_encode_full_frame(const ConsoleCell* cells, ColorMode mode, const AnsiLayout& layout, char* out,
                              size_t capacity) {
  size_t n = ansi_encode(cells, nullptr, mode, layout, out, capacity, nullptr);
  // Shown with cat, the prompt after it should not inherit the last colours.
  if (n > 0 && n + 4 <= capacity) {
    std::memcpy(out + n, "\x1b[0m", 4);
    n += 4;
  }
  return n;
}
