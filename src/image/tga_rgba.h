#pragma once
// What the bytes of a read TGA picture mean as the frame's R,G,B,A pixels,
// for every standard kind: 8-bit grey, 8-bit colour-mapped (15-, 16-, 24- or
// 32-bit maps), 15/16-bit, 24-bit and 32-bit true colour.
#include <cstddef>
#include <cstdint>

#include "common/frame.h"
#include "image/tga.h"

struct TgaRgba {
  enum Kind : uint8_t { GREY, MAPPED, RGB555, RGB, RGBA } kind;
  uint32_t step;          // bytes one pixel takes in the picture's buffer
  bool alpha_bit;         // RGB555: the top bit is alpha
  Pixel palette[256];     // MAPPED: index to pixel, opaque black outside the map
  bool outside_map[256];  // MAPPED: indices the map does not hold
};

// Sets `rgba` up for the picture the reader has just read (with
// TGA_SWAP_RB). False when the picture is of a kind that cannot be shown;
// `why` then says why, in a few words without a line end.
bool tga_rgba_prepare(const TgaReader* reader, const TgaPicture* picture, TgaRgba* rgba, char* why,
                      size_t why_size);

// The pixel whose bytes start at `p`.
inline Pixel tga_rgba_pixel(const TgaRgba& rgba, const uint8_t* p) {
  // A 5-bit field to 8 bits, rounding down as other decoders do.
  auto wide = [](uint8_t v) { return static_cast<uint8_t>(v * 255 / 31); };
  switch (rgba.kind) {
    case TgaRgba::GREY: return pixel_rgba(p[0], p[0], p[0], 255);
    case TgaRgba::MAPPED: return rgba.palette[p[0]];
    case TgaRgba::RGB555:
      return pixel_rgba(wide(p[0]), wide(p[1]), wide(p[2]), rgba.alpha_bit && p[3] == 0 ? 0 : 255);
    case TgaRgba::RGB: return pixel_rgba(p[0], p[1], p[2], 255);
    case TgaRgba::RGBA: break;
  }
  return pixel_rgba(p[0], p[1], p[2], p[3]);
}
