#include "render3d/span.h"

#include "render3d/camera.h"

namespace {

// The loop every filler shares: depth test against the buffer and the near
// distance, texel fetch with wrap, colour key; `combine` does the rest.
template <typename Combine>
inline void span_fill(const SpanParams* span, Combine combine) {
  const int32_t near = camera.near;
  const int32_t u_mask = span->u_mask;
  const int32_t v_mask = span->v_mask;
  const int32_t row_shift = span->row_shift;
  const Pixel* texels = span->texels;
  Pixel* dest = span->dest;
  int32_t* depth = span->depth;
  int32_t z = span->z, u = span->u, v = span->v;
  for (int32_t i = 0; i < span->count; ++i) {
    if (z <= depth[i] && z > near) {
      const Pixel t = texels[(((v >> 12) & v_mask) << row_shift) + ((u >> 12) & u_mask)];
      if (t != COLOR_KEY) {
        dest[i] = combine(dest[i], t);
        depth[i] = z;
      }
    }
    z += span->dz;
    u += span->du;
    v += span->dv;
  }
}

inline Pixel channel(Pixel p, int k) { return (p >> (8 * k)) & 0xFF; }

}  // namespace

void span_opaque(const SpanParams* span) {
  span_fill(span, [](Pixel, Pixel t) { return t; });
}

void span_alpha(const SpanParams* span) {
  span_fill(span, [](Pixel d, Pixel t) {
    const Pixel a = t >> 24;
    if (a == 255) return t;
    Pixel out = a << 24;
    for (int k = 0; k < 3; ++k) {
      out |= ((channel(t, k) * a + channel(d, k) * (255 - a)) >> 8) << (8 * k);
    }
    return out;
  });
}

void span_additive(const SpanParams* span) {
  span_fill(span, [](Pixel d, Pixel t) {
    Pixel out = d & 0xFF000000u;
    for (int k = 0; k < 3; ++k) {
      const Pixel sum = channel(d, k) + channel(t, k);
      out |= (sum > 255 ? 255 : sum) << (8 * k);
    }
    return out;
  });
}

void span_multiply(const SpanParams* span) {
  span_fill(span, [](Pixel d, Pixel t) {
    Pixel out = d & 0xFF000000u;
    for (int k = 0; k < 3; ++k) out |= ((channel(d, k) * channel(t, k)) >> 8) << (8 * k);
    return out;
  });
}
