#pragma once
// Shared by the effect units: the null-buffer rule and region clamping.
#include <cstdint>

#include "common/frame.h"

struct FxRegion {
  int32_t x0, y0, x1, y1;
  bool empty() const { return x0 >= x1 || y0 >= y1; }
};

inline Pixel* fx_target(Pixel* buffer) { return buffer ? buffer : frame_buffer; }

inline FxRegion fx_clamp_region(int16_t x0, int16_t y0, int16_t x1, int16_t y1) {
  FxRegion r{x0, y0, x1, y1};
  if (r.x0 < 0) r.x0 = 0;
  if (r.y0 < 0) r.y0 = 0;
  if (r.x1 > FRAME_W) r.x1 = FRAME_W;
  if (r.y1 > FRAME_H) r.y1 = FRAME_H;
  return r;
}

inline uint32_t fx_clamp_byte(int32_t v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// Number of places of a window of radius r around i that lie within 0..n-1.
inline int fx_window_count(int i, int n, int r) {
  const int lo = i - r < 0 ? 0 : i - r;
  const int hi = i + r >= n ? n - 1 : i + r;
  return hi - lo + 1;
}
