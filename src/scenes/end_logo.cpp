#include "common/numeric.h"
#include "assets/assets.h"
#include "image/blit.h"
#include "image/effects.h"
#include "scenes/scenes.h"

namespace {

constexpr int32_t END_LOGO = 10;
constexpr float SWITCH_TIME = 0.5f;

}  // namespace

// Works on the previous frame in place: grain, darkening, tearing and blur grow
// with t, so the last picture and then the logo dissolve frame by frame.
void scene_end_logo(float t) {
  double a = 128.0 * static_cast<double>(t);
  auto grain = static_cast<uint8_t>(trunc_to_i32(a));
  auto low = static_cast<int16_t>(trunc_to_i32(a));
  // high - low stays 256: every channel just loses low.
  auto high = static_cast<int16_t>(trunc_to_i32(a + 256.0));

  fx_noise(nullptr, 0, 0, FRAME_W, FRAME_H, grain);
  if (t < SWITCH_TIME) fx_tear(nullptr, 16.0f * t, 2.0f, 32, 1);
  fx_levels(nullptr, 0, 0, FRAME_W, FRAME_H, low, high);
  img_blit(&overlay_images[END_LOGO], 0, 0);
  fx_noise(nullptr, 0, 0, FRAME_W, FRAME_H, grain);
  if (t > SWITCH_TIME) {
    fx_tear(nullptr, 8.0f * (t - SWITCH_TIME), 0.5f, 8, 1);
    auto blur = static_cast<int8_t>(trunc_to_i32(80.0f * (t - SWITCH_TIME)));
    fx_blur(nullptr, 0, 0, FRAME_W, FRAME_H, blur);
  }
  fx_levels(nullptr, 0, 0, FRAME_W, FRAME_H, low, high);
}
