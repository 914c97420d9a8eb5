#pragma once
// --cast: an asciicast v2 recording of what the terminal is sent. Each
// presented frame becomes one output event holding the encoder's bytes for
// it (only what changed since the previous frame; the first frame whole),
// stamped with the demo clock, so it records live and headless runs alike.
#include <cstdint>

#include "display/ansi_encoder.h"

// Creates the file and writes the header, which gives the terminal's size
// (0 x 0: the console's). False with one line on stderr.
bool cast_open(const char* path, ColorMode mode, const char* title, int term_cols, int term_rows);
bool cast_is_open();
// One frame, laid out on the terminal as given, shown `ms` milliseconds
// after the recording began.
void cast_frame(const ConsoleCell* cells, const AnsiLayout& layout, uint32_t ms);
// Closes the file; false with one line on stderr when anything failed to write.
bool cast_close();
