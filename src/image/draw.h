#pragma once
// The smallest drawing layer: the frame buffer, single pixels, brush dots,
// straight lines and clearing.
#include <cstdint>

#include "common/frame.h"

// A plot operation as draw_line calls it.
using PlotOp = void (*)(int32_t x, int32_t y, Pixel pixel);

// Brush diameter in pixels; 0 at start.
extern int32_t brush_size;
// What draw_line plots with; a single pixel at start.
extern PlotOp plot_op;

Pixel* fb_get();
// Converts the frame buffer to cells and writes them to the console.
void fb_present();

// Writes the pixel when x < 240 and y < 150 (negative values wrap to large ones).
void draw_plot(uint16_t x, uint16_t y, Pixel pixel);
// Disc of diameter brush_size around (x, y).
void draw_plot_disc(int32_t x, int32_t y, Pixel pixel);
// Sets brush_size; sizes of 2 and more draw discs, smaller ones single pixels.
void draw_set_brush(int32_t size);
// A line of steps in 8.8 fixed point: the start point itself is not plotted and
// the last point can fall short of (x1, y1).
void draw_line(int32_t x0, int32_t y0, int32_t x1, int32_t y1, Pixel pixel);
// draw_line with the pixel of bytes red, green, blue, alpha 0: note blue first.
void draw_line_rgb(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t blue, uint8_t green,
                   uint8_t red);
void draw_clear(Pixel pixel);
// draw_clear with the pixel of bytes red, green, blue, alpha 0.
void draw_clear_rgb(uint8_t red, uint8_t green, uint8_t blue);
