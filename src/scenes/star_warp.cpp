#include "scenes/star_warp.h"

#include <algorithm>
#include <cmath>

#include "common/numeric.h"
#include "common/random.h"
#include "assets/assets.h"
#include "image/draw.h"
#include "image/effects.h"
#include "render3d/camera.h"
#include "render3d/raster.h"
#include "render3d/transform.h"
#include "scenes/robot_city.h"
#include "scenes/scenes.h"
#include "softbody/softbody.h"

Star stars[STAR_COUNT];
Pixel star_grey[STAR_LEVELS];

namespace {

constexpr float HALF_W = FRAME_W / 2;
constexpr float HALF_H = FRAME_H / 2;
constexpr float LENS_START = 20.0f;

bool stars_ready = false;
// Armed by every shot-0 frame: the next shot-1 frame puts the saucer on its mark.
bool saucer_reset = true;
float warp_carried = 0.0f;

void create_stars() {
  for (int32_t i = 0; i < STAR_LEVELS; ++i) {
    auto g = static_cast<uint32_t>(16 * i);
    star_grey[i] = g | g << 8 | g << 16 | g << 24;
  }
  for (int32_t i = STAR_COUNT - 1; i >= 0; --i) {
    int32_t x = rand_next() % 320 - 160;
    int32_t y = rand_next() % 240 - 120;
    int32_t b = rand_next() & 15;
    stars[i] = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(b)};
  }
}

// Plots at the frame position of a centre offset; draw_plot drops anything
// outside, negative coordinates included (they wrap to large unsigned ones).
void plot_offset(float x, float y, Pixel colour) {
  int32_t px = trunc_to_i32(x + HALF_W);
  int32_t py = trunc_to_i32(y + HALF_H);
  // Beyond the 16-bit range the wrap could land back on screen: drop it.
  if (px < INT16_MIN || px > UINT16_MAX || py < INT16_MIN || py > UINT16_MAX) return;
  draw_plot(static_cast<uint16_t>(px), static_cast<uint16_t>(py), colour);
}

void move_star(Star* star, float s, int32_t trail) {
  star->x = star->x + star->x * s;
  star->y = star->y + star->y * s;
  star->brightness = star->brightness + 8.0f * s;
  if (star->x < -HALF_W || star->y < -HALF_H || star->x >= HALF_W || star->y >= HALF_H) {
    int32_t x = rand_next() % FRAME_W - FRAME_W / 2;
    int32_t y = rand_next() % FRAME_H - FRAME_H / 2;
    *star = {static_cast<float>(x), static_cast<float>(y), 0.0f};
    return;
  }
  // A backward seek can take brightness below 0: such a star is black.
  int32_t level = star->brightness >= 16.0f ? 15 : std::max(trunc_to_i32(star->brightness), 0);
  Pixel colour = star_grey[level];
  if (trail <= 1) {
    plot_offset(star->x, star->y, colour);
    return;
  }
  // The streak points outward from the star.
  for (int32_t k = trail - 1; k >= 0; --k) {
    float f = 1.0f + 0.01f * static_cast<float>(k);
    plot_offset(f * star->x, f * star->y, colour);
  }
}

void fly_saucer(int32_t elapsed_ms, float t) {
  float dt;
  int32_t steps = scene_step_clock(&warp_carried, elapsed_ms, &dt);
  float w = std::sin(10.0f * t);
  Vec3f target{w - 3.0f, 10.0f, t};
  if (saucer_reset) {
    saucer_reset = false;
    saucer_mesh.pos = target;
    saucer_body.pos = target;
  }
  const CameraParams view{0.0f, 2.0f, -5.0f, 0.0f, 0.0f, 0.0f, 2.0f, 300.0f, 200.0f};
  cam_apply(&view);

  // The turn rate is left as the last scene set it.
  Vec3f velocity;
  vec3f_sub(&velocity, target, saucer_body.pos);
  soft_set_motion(&saucer_body, &velocity, nullptr);
  for (int32_t i = 0; i < std::min(steps, SIM_MAX_STEPS); ++i) soft_step(&saucer_body, dt);
  soft_write_back(&saucer_body);

  raster_clear_depth();
  mesh_compute_normals(&saucer_mesh);
  mesh_transform(&saucer_mesh);
  mesh_env_map(&saucer_mesh);
  raster_draw_mesh(&saucer_mesh);
}

}  // namespace

void scene_star_warp(int32_t elapsed_ms, int32_t part, float t, int32_t trail) {
  if (!stars_ready) {
    create_stars();
    stars_ready = true;
  }

  float s = static_cast<float>(elapsed_ms) / 1000.0f;
  draw_clear(0);
  for (int32_t i = STAR_COUNT - 1; i >= 0; --i) move_star(&stars[i], s, trail);

  if (part == 0) saucer_reset = true;
  if (part == 1) fly_saucer(elapsed_ms, t);

  if (t > LENS_START) {
    // Pinches the picture more and more as the scene's time grows.
    float m = (t - LENS_START) / 10.0f;
    fx_lens(nullptr, -m, -m, m / 3.0f + 1.0f);
  }
}
