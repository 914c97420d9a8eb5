#include "image/draw.h"

#include "display/console.h"

namespace {

// Coordinates outside the frame are dropped here, before draw_plot narrows them
// to 16 bits, so that a far coordinate (70000) cannot wrap back onto the picture.
void plot_clipped(int32_t x, int32_t y, Pixel pixel) {
  if (x < 0 || x >= FRAME_W || y < 0 || y >= FRAME_H) return;
  draw_plot(static_cast<uint16_t>(x), static_cast<uint16_t>(y), pixel);
}

}  // namespace

int32_t brush_size = 0;
PlotOp plot_op = plot_clipped;

Pixel* fb_get() { return frame_buffer; }

void fb_present() { con_present(frame_buffer); }

void draw_plot(uint16_t x, uint16_t y, Pixel pixel) {
  if (x < FRAME_W && y < FRAME_H) frame_buffer[y * FRAME_W + x] = pixel;
}

void draw_plot_disc(int32_t x, int32_t y, Pixel pixel) {
  const int32_t n = brush_size;
  const int32_t r = n / 2;
  const int32_t limit = r * r;
  for (int32_t i = n - 1; i >= 0; --i) {
    for (int32_t j = n - 1; j >= 0; --j) {
      if ((i - r) * (i - r) + (j - r) * (j - r) < limit) plot_clipped(x + i - r, y + j - r, pixel);
    }
  }
}

void draw_set_brush(int32_t size) {
  brush_size = size;
  plot_op = size >= 2 ? draw_plot_disc : plot_clipped;
}

void draw_line(int32_t x0, int32_t y0, int32_t x1, int32_t y1, Pixel pixel) {
  const int32_t dx = x1 - x0, dy = y1 - y0;
  const int32_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  const int32_t steps = (adx > ady ? adx : ady) + 1;
  const int32_t sx = (dx * 256) / steps, sy = (dy * 256) / steps;
  int32_t px = x0 * 256, py = y0 * 256;
  for (int32_t k = 0; k < steps; ++k) {
    px += sx;
    py += sy;
    plot_op(px >> 8, py >> 8, pixel);
  }
}

void draw_line_rgb(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t blue, uint8_t green,
                   uint8_t red) {
  draw_line(x0, y0, x1, y1, pixel_rgba(red, green, blue, 0));
}

void draw_clear(Pixel pixel) {
  for (int i = 0; i < FRAME_PIXELS; ++i) frame_buffer[i] = pixel;
}

void draw_clear_rgb(uint8_t red, uint8_t green, uint8_t blue) {
  draw_clear(pixel_rgba(red, green, blue, 0));
}
