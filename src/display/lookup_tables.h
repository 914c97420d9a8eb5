#pragma once
// The precomputed tables the cell converter reads: best character per
// pattern and level, best colour pair and foreground share per 15-bit colour.
#include <cstdint>

#include "display/cell_codes.h"

constexpr int CHAR_MAP_SIZE = PATTERN_LEVELS * PATTERN_CODES;  // 118098
constexpr int COLOR_CODES = 32768;
constexpr const char* CHARMAP_PATH = "data/charmap.lut";
constexpr const char* COLMAP_PATH = "data/colmap.lut";

// Static storage: zero until loaded, read-only afterwards.
extern uint8_t CharMap[CHAR_MAP_SIZE];
extern uint8_t ColorPairMap[COLOR_CODES];
extern float ColorMixMap[COLOR_CODES];

// Reads data/charmap.lut and data/colmap.lut. Short files leave the rest of
// a table zero, longer ones are read only as far as the tables go.
void cell_load_tables();
// The same from named files; a file that cannot be opened is reported in one
// line on stderr and leaves its tables zero.
void cell_load_table_files(const char* charmap_path, const char* colmap_path);
// How many times the tables have been loaded: conversions made before the
// last load are out of date.
uint32_t cell_tables_loads();
// The first table file that does not exist, or nullptr when both do; lets
// start-up stop before the terminal is touched.
const char* cell_missing_table();

// 15-bit colour index of 8-bit channels, red in the top five bits.
constexpr int32_t color15(int32_t r, int32_t g, int32_t b) {
  return (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
}
