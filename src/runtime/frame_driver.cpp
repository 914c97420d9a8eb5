#include "runtime/frame_driver.h"

#include "common/numeric.h"
#include "common/random.h"
#include "display/console.h"
#include "image/assets.h"
#include "image/blit.h"
#include "image/effects.h"
#include "render3d/camera.h"
#include "render3d/raster.h"
#include "runtime/demo.h"
#include "scenes/scenes.h"
#include "sync/track.h"

namespace {

int32_t previous_time = 0;
FrameValues last_values{};

// A picture index whose fraction is f is hidden on a share of frames that
// grows with f: one random draw per picture and frame.
int32_t flicker(float value) {
  int32_t index = trunc_to_i32(value);
  double jitter = rand_next() / FLICKER_DIVISOR;
  if (trunc_to_i32(value + jitter) != index) return -1;
  return index;
}

void draw_scene(const FrameValues& v, int32_t elapsed) {
  switch (v.scene) {
    case 0:
      scene_robot_city(elapsed, v.part, v.time, v.var);
      fx_levels(nullptr, 0, 0, FRAME_W, FRAME_H, 64, 239);
      break;
    case 1: {
      int32_t trail = v.var >= 1.0f ? trunc_to_i32(v.var) : 1;
      scene_star_warp(elapsed, v.part, v.time, trail);
      if (v.var < 1.0f) {
        // Fade in from a quarter of full brightness at var 0.
        auto high = static_cast<int16_t>(trunc_to_i32((4.0f - 3.0f * v.var) * 256.0f));
        fx_levels(nullptr, 0, 0, FRAME_W, FRAME_H, 0, high);
      }
      break;
    }
    case 2:
      scene_colour_flash();
      break;
    case 3:
      scene_saucer_city(elapsed, v.part, v.time, v.var);
      fx_depth_shade(nullptr, depth_buffer, 4 * camera.far, 2 * camera.near, 16.0f, 0.25f);
      fx_levels(nullptr, 0, 0, FRAME_W, FRAME_H, 64, 239);
      break;
    case 4:
      scene_spectrum_wave();
      break;
    case SCENE_END:
      if (v.part == -1) quit_requested = 1;
      scene_end_logo(v.time);
      break;
    default:
      break;  // unknown scene: the previous frame stays
  }
}

}  // namespace

FrameValues demo_evaluate_tracks(float row) {
  FrameValues v;
  double at = row;
  v.scene = trunc_to_i32(track_value(scene_track, at));
  v.part = trunc_to_i32(track_value(part_track, at));
  v.time = track_value(time_track, at);
  v.var = track_value(var_track, at);
  v.overlay = flicker(track_value(overlay_track, at));
  v.greet = flicker(track_value(greet_track, at));
  return v;
}

void demo_frame(int32_t t) {
  auto row = static_cast<float>(static_cast<double>(t) * static_cast<double>(ROWS_PER_MS));
  int32_t elapsed = t - previous_time;
  previous_time = t;

  FrameValues v = demo_evaluate_tracks(row);
  last_values = v;
  draw_scene(v, elapsed);

  // Indices that address no picture draw nothing.
  if (v.overlay >= 0 && v.overlay < OVERLAY_IMAGE_COUNT) img_blit(&overlay_images[v.overlay], 0, 0);
  if (v.greet >= 0) img_blit(&greets_image, 0, -150 * v.greet);
  if (v.scene != 1 && v.scene != 2 && v.scene != 4) {
    fx_blur(nullptr, 0, 0, FRAME_W, FRAME_H, -6);
  }
  con_present(frame_buffer);
}

const FrameValues& demo_frame_values() { return last_values; }
