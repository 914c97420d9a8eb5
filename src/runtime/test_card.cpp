#include "runtime/test_card.h"

#include <cmath>

#include "common/frame.h"
#include "image/draw.h"

namespace {

constexpr int CHART_W = 192;  // 64 cells of hue
constexpr int CHART_H = 90;   // 30 cells from white through full colour to black
constexpr int RAMP_Y = 90;
constexpr int RAMP_H = 12;
constexpr int PANEL_X = 195;
constexpr int LOWER_Y = 105;

uint8_t channel(float v) { return static_cast<uint8_t>(v <= 0 ? 0 : v >= 1 ? 255 : v * 255 + 0.5f); }

// Hue 0..1 at full saturation, then towards white (light > 0) or black (light < 0).
Pixel hue_pixel(float hue, float light) {
  const float h = hue * 6;
  const int sector = static_cast<int>(h) % 6;
  const float f = h - std::floor(h);
  float r, g, b;
  switch (sector) {
    case 0: r = 1, g = f, b = 0; break;
    case 1: r = 1 - f, g = 1, b = 0; break;
    case 2: r = 0, g = 1, b = f; break;
    case 3: r = 0, g = 1 - f, b = 1; break;
    case 4: r = f, g = 0, b = 1; break;
    default: r = 1, g = 0, b = 1 - f; break;
  }
  if (light > 0) {
    r += (1 - r) * light, g += (1 - g) * light, b += (1 - b) * light;
  } else {
    r *= 1 + light, g *= 1 + light, b *= 1 + light;
  }
  return pixel_rgba(channel(r), channel(g), channel(b));
}

void draw_chart() {
  for (int y = 0; y < CHART_H; ++y) {
    const float light = 1.0f - 2.0f * y / (CHART_H - 1);
    for (int x = 0; x < CHART_W; ++x) {
      draw_plot(static_cast<uint16_t>(x), static_cast<uint16_t>(y), hue_pixel(x / float(CHART_W), light));
    }
  }
}

void draw_grey_ramp() {
  for (int x = 0; x < FRAME_W; ++x) {
    const uint32_t v = static_cast<uint32_t>(x * 255 / (FRAME_W - 1));
    draw_line(x, RAMP_Y - 1, x, RAMP_Y + RAMP_H - 1, pixel_rgba(v, v, v));
  }
}

// Brush dots of sizes 1-9 in a column, then line fans in the panel's lower half.
void draw_panel() {
  for (int size = 1; size <= 9; ++size) {
    draw_set_brush(size);
    const int y = 4 + (size - 1) * 9;
    plot_op(PANEL_X + 6, y, pixel_rgba(255, 255, 255));
    plot_op(PANEL_X + 20, y, pixel_rgba(255, 200, 40));
    draw_line(PANEL_X + 28, y, PANEL_X + 42, y, pixel_rgba(60, 160, 255));
  }
  draw_set_brush(1);
}

void draw_lower(int32_t t_ms) {
  // Sharp detail: a pixel checkerboard, stripes of 1, 2 and 3 pixels, diagonals.
  for (int y = LOWER_Y; y < FRAME_H; ++y) {
    for (int x = 0; x < 48; ++x) {
      const bool on = x < 12 ? ((x ^ y) & 1) : x < 24 ? (x / 2) & 1 : x < 36 ? (x / 3) & 1 : ((x + y) % 6) < 3;
      draw_plot(static_cast<uint16_t>(x), static_cast<uint16_t>(y), on ? pixel_rgba(240, 240, 240) : pixel_rgba(20, 20, 60));
    }
  }
  // A fan of thin lines in every direction.
  const int cx = 84, cy = 127;
  for (int k = 0; k < 24; ++k) {
    const float a = k * (3.14159265f / 12);
    draw_line(cx, cy, cx + static_cast<int>(40 * std::cos(a)), cy + static_cast<int>(21 * std::sin(a)),
              hue_pixel(k / 24.0f, 0));
  }
  // The moving part: a sweeping spoke and a bouncing brush dot of changing size.
  const float phase = static_cast<float>(t_ms % 4000) / 4000.0f * 6.2831853f;
  const int sx = 170, sy = 127;
  draw_set_brush(3);
  draw_line(sx, sy, sx + static_cast<int>(44 * std::cos(phase)), sy + static_cast<int>(20 * std::sin(phase)),
            pixel_rgba(255, 255, 0));
  const int bounce = static_cast<int>(t_ms % 2000);
  const int by = LOWER_Y + 4 + std::abs(1000 - bounce) * (FRAME_H - LOWER_Y - 9) / 1000;
  draw_set_brush(2 + static_cast<int>((t_ms / 500) % 8));
  plot_op(226, by, pixel_rgba(255, 60, 60));
  draw_set_brush(1);
}

}  // namespace

void test_card_draw(int32_t t_ms) {
  draw_clear(pixel_rgba(0, 0, 0));
  draw_chart();
  draw_grey_ramp();
  draw_panel();
  draw_lower(t_ms < 0 ? 0 : t_ms);
}
