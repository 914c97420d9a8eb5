#include "display/cell_color.h"

#include <cstdint>

const ColorSample CONSOLE_PALETTE[16] = {
    {0, 0, 0, 0},       {0, 0, 128, 1},     {0, 128, 0, 2},     {0, 128, 128, 3},
    {128, 0, 0, 4},     {128, 0, 128, 5},   {128, 128, 0, 6},   {192, 192, 192, 7},
    {128, 128, 128, 8}, {0, 0, 255, 9},     {0, 255, 0, 10},    {0, 255, 255, 11},
    {255, 0, 0, 12},    {255, 0, 255, 13},  {255, 255, 0, 14},  {255, 255, 255, 15},
};

int32_t cell_color_distance(const ColorSample* c, const ColorSample* p) {
  const int32_t rm = (c->r + p->r) / 2;
  const int32_t dr = c->r - p->r, dg = c->g - p->g, db = c->b - p->b;
  return ((512 + rm) * dr * dr) / 256 + 4 * dg * dg + ((767 - rm) * db * db) / 256;
}

int32_t cell_nearest_color(ColorSample* p) {
  int32_t best = INT32_MAX;
  for (int c = 15; c >= 0; --c) {
    const int32_t d = cell_color_distance(&CONSOLE_PALETTE[c], p);
    if (d < best) {
      best = d;
      p->index = c;
    }
  }
  return best;
}
