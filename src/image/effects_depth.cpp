// Depth shading: pixels deeper than their blurred neighbourhood darken.
#include "image/effects.h"
#include "image/effects_region.h"
#include "render3d/fixed_math.h"
#include "render3d/raster.h"

namespace {

int32_t blurred[FRAME_PIXELS];

}  // namespace

void fx_depth_shade(Pixel* buffer, const int32_t* depth, int32_t depth_far, int32_t depth_near,
                    float radius, float strength) {
  Pixel* buf = fx_target(buffer);
  const float k = (strength * 256.0f) / (static_cast<float>(depth_far - depth_near) / 4096.0f);
  for (int i = 0; i < FRAME_PIXELS; ++i) blurred[i] = depth[i] >> 7;
  // The last column and row are left out of the blur.
  fx_blur_int(blurred, 0, 0, FRAME_W - 1, FRAME_H - 1, static_cast<uint8_t>(trunc_i32(radius)));
  for (int i = 0; i < FRAME_PIXELS; ++i) {
    if (depth[i] == DEPTH_CLEAR) continue;
    float t = static_cast<float>((depth[i] >> 7) - blurred[i]) / 4096.0f * k + 0.125f;
    // Written so that NaN (a zero depth range) counts as 0.
    t = t > 0.0f ? (t < 1.0f ? t : 1.0f) : 0.0f;
    const float w = 1.0f - t;
    const Pixel p = buf[i];
    Pixel out = p & 0xFF000000u;
    // byte x w lies in 0..255: a plain conversion truncates it.
    for (int s = 0; s < 24; s += 8) {
      out |= static_cast<Pixel>(static_cast<int32_t>(static_cast<float>((p >> s) & 0xFF) * w)) << s;
    }
    buf[i] = out;
  }
}
