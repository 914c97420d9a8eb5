#pragma once
// One horizontal run of textured, depth-tested pixels, as the span fillers
// (render3d/span.h) and their inline loops (render3d/span_fill.h) take it.
#include <cstdint>

#include "common/frame.h"
#include "render3d/fixed_math.h"

struct SpanParams {
  int32_t count;
  Fixed u, v;          // texels at the first pixel
  Fixed du, dv;        // per pixel
  int32_t z;           // depth at the first pixel
  int32_t dz;
  int32_t tex_width;
  int32_t tex_height;
  int32_t u_mask;
  int32_t v_mask;
  int32_t row_shift;
  const Pixel* texels;
  Pixel* dest;
  int32_t* depth;
  // Pixels from dest (and depth) to the end of their buffers. Where eight lanes
  // fit, the wide loops write whole vectors, putting back what they leave.
  int32_t room;
};
