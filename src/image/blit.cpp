#include "image/blit.h"

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
    for (int32_t col = col_begin; col < col_end; ++col) {
      const Pixel s = src[col];
      const uint32_t a = s >> 24;
      if (a == 0) continue;
      const Pixel d = dst[col];
      Pixel out = d & 0xFF000000u;
      for (int k = 0; k < 24; k += 8) {
        out |= ((((s >> k) & 0xFF) * a + ((d >> k) & 0xFF) * (255 - a)) >> 8) << k;
      }
      dst[col] = out;
    }
  }
}
