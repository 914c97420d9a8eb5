#pragma once
// A line of text shown with the picture (the authoring status line): in the
// terminal row below the picture when there is one, else over the picture's
// last visible row. It is sent to the terminal with the frame, never drawn
// into the frame or the cells.
#include <cstddef>

#include "display/ansi_encoder.h"

// Room the line's bytes take at most: a cursor move, colours and a line of
// text as wide as the widest terminal row we write.
constexpr size_t STATUS_LINE_BYTES_MAX = 1024;

// Terminal row (0-based) the line goes to for a grid laid out so; -1 when
// the terminal has no rows.
int status_line_row(const AnsiLayout& layout);
// Marks the covered row of `shown` (the cells a terminal shows) as unknown,
// so the next frame sends it whole over the line's text.
void status_line_uncover(const AnsiLayout& layout, ConsoleCell* shown);
// The bytes that show `text` (printable, one line) on that row across the
// terminal's width, colours reset after it. 0 when it does not fit.
size_t status_line_encode(const char* text, const AnsiLayout& layout, char* out, size_t capacity);
