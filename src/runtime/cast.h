#pragma once
// --cast: an asciicast v2 recording of what the terminal is sent. Each
// presented frame becomes one output event holding the encoder's bytes for
// it (only what changed since the previous frame; the first frame whole),
// stamped with the demo clock, so it records live and headless runs alike.
#include <cstdint>

#include "display/console.h"

// Creates the file and writes the header. False with one line on stderr.
bool cast_open(const char* path, ColorMode mode, const char* title);
bool cast_is_open();
// One frame shown `ms` milliseconds after the recording began.
void cast_frame(const ConsoleCell* cells, uint32_t ms);
// Closes the file; false with one line on stderr when anything failed to write.
bool cast_close();
