#include "image/blit.h"

#include <cstring>

namespace {

// Four pixels at a time in 16-bit lanes: every product and the sum
// s * a + d * (255 - a) stay within 255 * 255, so the lanes never wrap and
// give the same bytes as the per-channel formula.
using Bytes16 = uint8_t __attribute__((vector_size(16)));
using Words8 = uint16_t __attribute__((vector_size(16)));
using Bytes8 = uint8_t __attribute__((vector_size(8)));

inline Words8 widen(Bytes8 v) { return __builtin_convertvector(v, Words8); }

// Two pixels' alpha spread over their colour lanes; the alpha lanes get 0 so
// the frame's alpha byte passes through unchanged.
inline Words8 alpha_lanes(Words8 s) {
  const Words8 colour_lanes = {0xFFFF, 0xFFFF, 0xFFFF, 0, 0xFFFF, 0xFFFF, 0xFFFF, 0};
  return __builtin_shufflevector(s, s, 3, 3, 3, 3, 7, 7, 7, 7) & colour_lanes;
}

inline Words8 blend_two(Words8 s, Words8 d) {
  const Words8 a = alpha_lanes(s);
  const Words8 colour = (s * a + d * (255 - a)) >> 8;
  // Alpha 0 keeps the frame pixel (the formula would darken it); so do the
  // frame's alpha lanes.
  const Words8 keep = (a == 0);
  return (d & keep) | (colour & ~keep);
}

inline void blend_four(const Pixel* src, Pixel* dst) {
  Bytes16 s, d;
  std::memcpy(&s, src, sizeof s);
  std::memcpy(&d, dst, sizeof d);
  const Words8 lo = blend_two(widen(__builtin_shufflevector(s, s, 0, 1, 2, 3, 4, 5, 6, 7)),
                              widen(__builtin_shufflevector(d, d, 0, 1, 2, 3, 4, 5, 6, 7)));
  const Words8 hi = blend_two(widen(__builtin_shufflevector(s, s, 8, 9, 10, 11, 12, 13, 14, 15)),
                              widen(__builtin_shufflevector(d, d, 8, 9, 10, 11, 12, 13, 14, 15)));
  const Bytes8 out_lo = __builtin_convertvector(lo, Bytes8), out_hi = __builtin_convertvector(hi, Bytes8);
  const Bytes16 out = __builtin_shufflevector(out_lo, out_hi, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  std::memcpy(dst, &out, sizeof out);
}

inline void blend_one(Pixel s, Pixel* dst) {
  const uint32_t a = s >> 24;
  if (a == 0) return;
  const Pixel d = *dst;
  Pixel out = d & 0xFF000000u;
  for (int k = 0; k < 24; k += 8) {
    out |= ((((s >> k) & 0xFF) * a + ((d >> k) & 0xFF) * (255 - a)) >> 8) << k;
  }
  *dst = out;
}

}  // namespace

void img_blit(const Image* image, int32_t x, int32_t y) {
  const int32_t width = image->width;
  const int32_t height = image->height;
  if (!image->pixels) return;
  if (x + width < 0 || y + height < 0 || x > FRAME_W || y > FRAME_H) return;
  const int32_t first_row = y < 0 ? -y : 0;
  if (static_cast<int64_t>(first_row) * width >= static_cast<int64_t>(width) * height) return;
  // Columns that land inside the frame.
  const int32_t col_begin = x < 0 ? -x : 0;
  const int32_t col_end = x + width > FRAME_W ? FRAME_W - x : width;
  for (int32_t row = first_row; row < height && y + row < FRAME_H; ++row) {
    const Pixel* src = image->pixels + row * width;
    Pixel* dst = frame_buffer + (y + row) * FRAME_W + x;
    int32_t col = col_begin;
    for (; col + 4 <= col_end; col += 4) blend_four(src + col, dst + col);
    for (; col < col_end; ++col) blend_one(src[col], dst + col);
  }
}
