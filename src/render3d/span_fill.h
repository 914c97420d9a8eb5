#pragma once
// The span loops themselves, inline so the rasterizer can run them without a
// call per row; span.cpp wraps each as a SpanFiller.
#include "render3d/camera.h"
#include "render3d/span_params.h"

// The loop every filler shares: depth test against the buffer and the near
// distance, texel fetch with wrap, colour key; `combine` does the rest.
// True when some pixel passed the depth test (whatever its texel).
template <typename Combine>
inline bool span_fill(const SpanParams* span, Combine combine) {
  const int32_t near = camera.near;
  const int32_t u_mask = span->u_mask;
  const int32_t v_mask = span->v_mask;
  const int32_t row_shift = span->row_shift;
  const Pixel* texels = span->texels;
  Pixel* dest = span->dest;
  int32_t* depth = span->depth;
  int32_t z = span->z, u = span->u, v = span->v;
  // Locals, so stores through dest and depth do not force reloads.
  const int32_t dz = span->dz, du = span->du, dv = span->dv, count = span->count;
  bool reached = false;
  for (int32_t i = 0; i < count; ++i) {
    if (z <= depth[i] && z > near) {
      reached = true;
      const Pixel t = texels[(((v >> 12) & v_mask) << row_shift) + ((u >> 12) & u_mask)];
      if (t != COLOR_KEY) {
        dest[i] = combine(dest[i], t);
        depth[i] = z;
      }
    }
    z += dz;
    u += du;
    v += dv;
  }
  return reached;
}

namespace span_detail {

inline Pixel channel(Pixel p, int k) { return (p >> (8 * k)) & 0xFF; }

// Bytes 0-2 of the result from f(pixel byte, texel byte), written out so
// no loop over the channels is left in the pixel loop.
template <typename F>
inline Pixel channels(Pixel d, Pixel t, F f) {
  return f(channel(d, 0), channel(t, 0)) | f(channel(d, 1), channel(t, 1)) << 8 |
         f(channel(d, 2), channel(t, 2)) << 16;
}

}  // namespace span_detail

inline bool span_fill_opaque(const SpanParams* span) {
  return span_fill(span, [](Pixel, Pixel t) { return t; });
}

inline bool span_fill_alpha(const SpanParams* span) {
  return span_fill(span, [](Pixel d, Pixel t) {
    const Pixel a = t >> 24;
    if (a == 255) return t;
    return a << 24 | span_detail::channels(
                         d, t, [a](Pixel dk, Pixel tk) { return (tk * a + dk * (255 - a)) >> 8; });
  });
}

inline bool span_fill_additive(const SpanParams* span) {
  return span_fill(span, [](Pixel d, Pixel t) {
    return (d & 0xFF000000u) | span_detail::channels(d, t, [](Pixel dk, Pixel tk) {
             const Pixel sum = dk + tk;
             return sum > 255 ? Pixel{255} : sum;
           });
  });
}

inline bool span_fill_multiply(const SpanParams* span) {
  return span_fill(span, [](Pixel d, Pixel t) {
    return (d & 0xFF000000u) |
           span_detail::channels(d, t, [](Pixel dk, Pixel tk) { return (dk * tk) >> 8; });
  });
}
