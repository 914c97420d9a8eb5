// Depth shading: pixels deeper than their blurred neighbourhood darken.
#include <cstring>

#include "image/effects.h"
#include "image/effects_region.h"
#include "render3d/fixed_math.h"
#include "render3d/raster.h"

namespace {

int32_t blurred[FRAME_PIXELS];

// Four pixels at a time; each lane does the same single-precision steps, in
// the same order, as one pixel would.
using Ints4 = int32_t __attribute__((vector_size(16)));
using Floats4 = float __attribute__((vector_size(16)));
static_assert(FRAME_PIXELS % 4 == 0);

}  // namespace

void fx_depth_shade(Pixel* buffer, const int32_t* depth, int32_t depth_far, int32_t depth_near,
                    float radius, float strength) {
  Pixel* buf = fx_target(buffer);
  const float k = (strength * 256.0f) / (static_cast<float>(depth_far - depth_near) / 4096.0f);
  for (int i = 0; i < FRAME_PIXELS; ++i) blurred[i] = depth[i] >> 7;
  // The last column and row are left out of the blur.
  fx_blur_int(blurred, 0, 0, FRAME_W - 1, FRAME_H - 1, static_cast<uint8_t>(trunc_to_i32(radius)));
  const Floats4 zero = {}, one = zero + 1.0f;
  for (int i = 0; i < FRAME_PIXELS; i += 4) {
    Ints4 d, b, p;
    std::memcpy(&d, depth + i, sizeof d);
    std::memcpy(&b, blurred + i, sizeof b);
    std::memcpy(&p, buf + i, sizeof p);
    Floats4 t = __builtin_convertvector((d >> 7) - b, Floats4) / 4096.0f * k + 0.125f;
    // Written so that NaN (a zero depth range) counts as 0.
    t = t > zero ? (t < one ? t : one) : zero;
    const Floats4 w = one - t;
    Ints4 out = p & static_cast<int32_t>(0xFF000000u);
    // byte x w lies in 0..255: a plain conversion truncates it.
    for (int s = 0; s < 24; s += 8) {
      out |= __builtin_convertvector(__builtin_convertvector((p >> s) & 0xFF, Floats4) * w, Ints4) << s;
    }
    // Pixels with nothing drawn keep their colour.
    out = d == DEPTH_CLEAR ? p : out;
    std::memcpy(buf + i, &out, sizeof out);
  }
}
