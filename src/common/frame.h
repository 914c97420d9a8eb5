#pragma once
// The true-colour frame every scene draws into, and the pixel format shared
// by the whole program: bytes red, green, blue, alpha (0xAABBGGRR as a
// little-endian number).
#include <cstdint>

constexpr int FRAME_W = 240;
constexpr int FRAME_H = 150;
constexpr int FRAME_PIXELS = FRAME_W * FRAME_H;

using Pixel = uint32_t;

constexpr Pixel pixel_rgba(uint32_t r, uint32_t g, uint32_t b, uint32_t a = 255) {
  return (r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16 | (a & 0xFF) << 24;
}
constexpr uint32_t pixel_r(Pixel p) { return p & 0xFF; }
constexpr uint32_t pixel_g(Pixel p) { return (p >> 8) & 0xFF; }
constexpr uint32_t pixel_b(Pixel p) { return (p >> 16) & 0xFF; }
constexpr uint32_t pixel_a(Pixel p) { return p >> 24; }

// Opaque magenta: a texel or glyph pixel of this value is never drawn.
constexpr Pixel COLOR_KEY = 0xFFFF00FF;

// The FrameBuffer: FRAME_W x FRAME_H pixels, row-major, top row first.
// It points at fixed storage from program start, so nothing that draws
// before start-up can write through a null pointer.
extern Pixel* frame_buffer;
