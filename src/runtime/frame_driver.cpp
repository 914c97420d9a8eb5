#include "runtime/frame_driver.h"

#include "assets/assets.h"
#include "common/numeric.h"
#include "common/random.h"
#include "display/console.h"
#include "image/blit.h"
#include "image/effects.h"
#include "render3d/camera.h"
#include "render3d/raster.h"
#include "runtime/quit_request.h"
#include "runtime/show_tracks.h"
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

// Each scene with what follows it: a post-effect of its own, and whether
// the frame is sharpened after the overlays.
void robot_city(const FrameValues& v, int32_t elapsed) {
  scene_robot_city(elapsed, v.part, v.time, v.var);
  fx_levels(nullptr, 0, 0, FRAME_W, FRAME_H, 64, 239);
}

void star_warp(const FrameValues& v, int32_t elapsed) {
  int32_t trail = v.var >= 1.0f ? trunc_to_i32(v.var) : 1;
  scene_star_warp(elapsed, v.part, v.time, trail);
  if (v.var < 1.0f) {
    // Fade in from a quarter of full brightness at var 0.
    auto high = static_cast<int16_t>(trunc_to_i32((4.0f - 3.0f * v.var) * 256.0f));
    fx_levels(nullptr, 0, 0, FRAME_W, FRAME_H, 0, high);
  }
}

void colour_flash(const FrameValues&, int32_t) { scene_colour_flash(); }

void saucer_city(const FrameValues& v, int32_t elapsed) {
  scene_saucer_city(elapsed, v.part, v.time, v.var);
  fx_depth_shade(nullptr, depth_buffer, 4 * camera.far, 2 * camera.near, 16.0f, 0.25f);
  fx_levels(nullptr, 0, 0, FRAME_W, FRAME_H, 64, 239);
}

void spectrum_wave(const FrameValues&, int32_t) { scene_spectrum_wave(); }

void end_logo(const FrameValues& v, int32_t) {
  if (v.part == -1) quit_requested = 1;
  scene_end_logo(v.time);
}

struct SceneRow {
  int32_t scene;  // the scene track's whole value
  void (*draw)(const FrameValues& v, int32_t elapsed);
  bool sharpen;
};

constexpr SceneRow SCENES[] = {
    {0, robot_city, true},     {1, star_warp, false},    {2, colour_flash, false},
    {3, saucer_city, true},    {4, spectrum_wave, false}, {SCENE_END, end_logo, true},
};

// Null for an unknown scene: the previous frame stays, and is sharpened.
const SceneRow* scene_row(int32_t scene) {
  for (const SceneRow& row : SCENES)
    if (row.scene == scene) return &row;
  return nullptr;
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
  const SceneRow* scene = scene_row(v.scene);
  if (scene) scene->draw(v, elapsed);

  // Indices that address no picture draw nothing.
  if (v.overlay >= 0 && v.overlay < OVERLAY_IMAGE_COUNT) img_blit(&overlay_images[v.overlay], 0, 0);
  if (v.greet >= 0) img_blit(&greets_image, 0, -150 * v.greet);
  if (!scene || scene->sharpen) fx_blur(nullptr, 0, 0, FRAME_W, FRAME_H, -6);
  con_present(frame_buffer);
}

const FrameValues& demo_frame_values() { return last_values; }
