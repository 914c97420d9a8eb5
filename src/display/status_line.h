#pragma once
// A line of text shown with the picture (the authoring status line): in the
// terminal row below the picture when there is one, else over the picture's
// last visible row. It is sent to the terminal with the frame, never drawn
// into the frame or the cells.
#include <cstddef>

#include "display/ansi_encoder.h"

// Terminal row (0-based) the line goes to for a grid laid out so; -1 when
// the terminal has no rows.
int status_line_row(const AnsiLayout& layout);
// The grid row the line covers, or -1 when it sits below the picture.
int status_line_grid_row(const AnsiLayout& layout);
// The bytes that show `text` (printable, one line) on that row across the
// terminal's width, colours reset after it. 0 when it does not fit.
size_t status_line_encode(const char* text, const AnsiLayout& layout, char* out, size_t capacity);
