#pragma once
// The 80 x 50 console the show is presented on.
#include <cstdint>

#include "common/frame.h"

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

// The cells of the frame presented last, row-major (row * 80 + col).
extern ConsoleCell CellBuffer[CONSOLE_CELLS];

void con_acquire_output();
void con_setup(int cols, int rows, int full_screen);
// Converts the frame into CellBuffer and writes it to the console.
int con_present(const Pixel* frame);

// Called at the end of every con_present with the frame and its cells; the
// runtime uses it for the headless clock, renders and captures.
using ConPresentHook = void (*)(const Pixel* frame, const ConsoleCell* cells);
void con_set_present_hook(ConPresentHook hook);
