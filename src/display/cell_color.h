#pragma once
// The console's 16 colours and the colour distance the converter measures
// with. Shared by the converter and the tables that speed up its search.
#include <cstdint>

struct ColorSample {
  int32_t r, g, b;
  int32_t index;
};

extern const ColorSample CONSOLE_PALETTE[16];

int32_t cell_color_distance(const ColorSample* c, const ColorSample* p);
// The palette colour nearest to p (ties to the higher index), stored in
// p->index; returns its distance.
int32_t cell_nearest_color(ColorSample* p);
