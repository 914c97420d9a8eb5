#pragma once
// A picture being painted: pixels as the show stores them (bytes R,G,B,A),
// with "over" compositing and a few deterministic noise sources.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/frame.h"

struct PicCanvas {
  int w = 0, h = 0;
  std::vector<Pixel> px;
  PicCanvas(int width, int height, Pixel fill = 0) : w(width), h(height), px(size_t(width) * height, fill) {}
  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
  Pixel& at(int x, int y) { return px[size_t(y) * w + x]; }
  Pixel at(int x, int y) const { return px[size_t(y) * w + x]; }
};

struct PicColor {
  float r, g, b;
};

// Paints colour c with coverage a (0..1) over the pixel, alpha included.
void pic_blend(PicCanvas* c, int x, int y, PicColor colour, float a);
void pic_fill_rect(PicCanvas* c, int x0, int y0, int x1, int y1, PicColor colour, float a);
// Rectangle with rounded corners of radius r (x1, y1 exclusive).
void pic_fill_round_rect(PicCanvas* c, int x0, int y0, int x1, int y1, int r, PicColor colour, float a);
void pic_fill_disc(PicCanvas* c, float cx, float cy, float radius, PicColor colour, float a);

PicColor pic_mix(PicColor a, PicColor b, float t);
Pixel pic_pixel(PicColor c, float alpha = 1.0f);
float pic_clamp01(float v);

// Deterministic hash of a lattice point, 0..1.
float pic_hash(int x, int y, uint32_t seed);
// Smooth value noise with `octaves` octaves, about 0..1; period wraps every
// `period` cells of the first octave when period > 0 (for tiling textures).
float pic_fbm(float x, float y, int octaves, uint32_t seed, int period = 0);
