#include "tools/picgen/canvas.h"

#include <algorithm>
#include <cmath>

float pic_clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

PicColor pic_mix(PicColor a, PicColor b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Pixel pic_pixel(PicColor c, float alpha) {
  auto byte = [](float v) { return static_cast<uint32_t>(std::lround(pic_clamp01(v / 255.0f) * 255.0f)); };
  return pixel_rgba(byte(c.r), byte(c.g), byte(c.b), byte(alpha * 255.0f));
}

void pic_blend(PicCanvas* c, int x, int y, PicColor colour, float a) {
  if (!c->inside(x, y) || a <= 0.0f) return;
  a = pic_clamp01(a);
  Pixel& d = c->at(x, y);
  const float da = pixel_a(d) / 255.0f;
  const float out_a = a + da * (1.0f - a);
  if (out_a <= 0.0f) return;
  auto channel = [&](float s, uint32_t dv) { return (s * a + float(dv) * da * (1.0f - a)) / out_a; };
  d = pic_pixel({channel(colour.r, pixel_r(d)), channel(colour.g, pixel_g(d)), channel(colour.b, pixel_b(d))},
                out_a);
}

void pic_fill_rect(PicCanvas* c, int x0, int y0, int x1, int y1, PicColor colour, float a) {
  for (int y = std::max(y0, 0); y < std::min(y1, c->h); ++y) {
    for (int x = std::max(x0, 0); x < std::min(x1, c->w); ++x) pic_blend(c, x, y, colour, a);
  }
}

void pic_fill_round_rect(PicCanvas* c, int x0, int y0, int x1, int y1, int r, PicColor colour, float a) {
  for (int y = std::max(y0, 0); y < std::min(y1, c->h); ++y) {
    for (int x = std::max(x0, 0); x < std::min(x1, c->w); ++x) {
      const int dx = x < x0 + r ? x0 + r - x : (x >= x1 - r ? x - (x1 - r - 1) : 0);
      const int dy = y < y0 + r ? y0 + r - y : (y >= y1 - r ? y - (y1 - r - 1) : 0);
      if (dx * dx + dy * dy <= r * r) pic_blend(c, x, y, colour, a);
    }
  }
}

void pic_fill_disc(PicCanvas* c, float cx, float cy, float radius, PicColor colour, float a) {
  const int x0 = int(std::floor(cx - radius - 1)), x1 = int(std::ceil(cx + radius + 1));
  const int y0 = int(std::floor(cy - radius - 1)), y1 = int(std::ceil(cy + radius + 1));
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const float d = std::sqrt((x + 0.5f - cx) * (x + 0.5f - cx) + (y + 0.5f - cy) * (y + 0.5f - cy));
      pic_blend(c, x, y, colour, a * pic_clamp01(radius - d + 0.5f));
    }
  }
}

float pic_hash(int x, int y, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return float(h & 0xFFFFFF) / float(0xFFFFFF);
}

namespace {
float value_noise(float x, float y, uint32_t seed, int period) {
  const int xi = int(std::floor(x)), yi = int(std::floor(y));
  const float fx = x - float(xi), fy = y - float(yi);
  auto wrap = [period](int v) { return period > 0 ? ((v % period) + period) % period : v; };
  auto corner = [&](int dx, int dy) { return pic_hash(wrap(xi + dx), wrap(yi + dy), seed); };
  const float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  const float top = corner(0, 0) + (corner(1, 0) - corner(0, 0)) * sx;
  const float bottom = corner(0, 1) + (corner(1, 1) - corner(0, 1)) * sx;
  return top + (bottom - top) * sy;
}
}  // namespace

float pic_fbm(float x, float y, int octaves, uint32_t seed, int period) {
  float sum = 0, amplitude = 0.5f, total = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += value_noise(x, y, seed + uint32_t(o) * 101u, period) * amplitude;
    total += amplitude;
    x *= 2;
    y *= 2;
    if (period > 0) period *= 2;
    amplitude *= 0.5f;
  }
  return sum / total;
}
