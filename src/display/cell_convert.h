#pragma once
// Turns one 3 x 3 block of the frame into one console cell.
#include <cstdint>

#include "common/frame.h"
#include "display/cell_codes.h"
#include "display/cell_color.h"

constexpr int FLAT_SPREAD_LIMIT = 256;
constexpr float MIX_BIAS = 0.6f;
constexpr int DENSITY_RAMP_SIZE = 37;

extern const uint8_t DENSITY_RAMP[DENSITY_RAMP_SIZE];

// Writes the character of cell (col, row) and returns its attribute byte.
uint8_t cell_convert(const Pixel* frame, int col, int row, uint8_t* character);
// cell_convert for every cell of the frame, row by row (FRAME_W / 3 by FRAME_H / 3).
void cell_convert_frame(const Pixel* frame, uint8_t* characters, uint8_t* attributes);
// The same for only the cells whose block differs from `previous` (a frame
// converted before), which is brought up to date; the other cells keep the
// characters and attributes they have.
void cell_convert_frame_changes(const Pixel* frame, Pixel* previous, uint8_t* characters, uint8_t* attributes);
// The same for a picture of (3 * cols) x (3 * rows) pixels, row-major, into a
// cols x rows grid (at most 240 x 150). With `previous` (a picture of the same
// size converted before) only the changed blocks are converted.
void cell_convert_grid(const Pixel* picture, int cols, int rows, Pixel* previous, uint8_t* characters,
                       uint8_t* attributes);
void cell_analyse(const Pixel* frame, int col, int row, ColorSample* background,
                  ColorSample* foreground, float* mix);
uint8_t cell_pick_glyph(const Pixel* frame, int col, int row, const ColorSample* background,
                        const ColorSample* foreground);
int32_t cell_dither_hash(int32_t a, int32_t b, int32_t mask);
int32_t cell_pattern_code(const int32_t digits[9]);
