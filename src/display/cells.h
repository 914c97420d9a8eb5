#pragma once
// The types every part of the display shares: a console cell, the console's
// grid size and the terminal's colour modes. Types only.
#include <cstdint>

constexpr int CONSOLE_COLS = 80;
constexpr int CONSOLE_ROWS = 50;
constexpr int CONSOLE_CELLS = CONSOLE_COLS * CONSOLE_ROWS;

// One console cell: a code page 437 character in the low byte of `character`
// and the attribute (background in bits 4-7, foreground in bits 0-3) in the
// low byte of `attribute`; both high bytes stay 0.
struct ConsoleCell {
  uint16_t character;
  uint16_t attribute;
};

enum class ColorMode : uint8_t { Auto, Ansi16, Ansi256, TrueColor };
