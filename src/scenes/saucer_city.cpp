#include <algorithm>
#include <cmath>

#include "common/numeric.h"
#include "assets/assets.h"
#include "image/blit.h"
#include "render3d/camera.h"
#include "render3d/raster.h"
#include "render3d/transform.h"
#include "scenes/robot_city.h"
#include "scenes/scenes.h"
#include "softbody/softbody.h"

namespace {

constexpr int32_t CAMERA_ROWS = 2;

float saucer_carried = 0.0f;

void place_camera(int32_t part, float t) {
  const CameraParams rows[CAMERA_ROWS] = {
      {t - 5.0f, 34.0f, -5.0f - 0.5f * t, -25.0f, 3.0f, 0.0f, 2.0f, 300.0f, 200.0f},
      {t - 3.0f, 0.3f * t + 0.25f, t + 1.0f, -35.0f, 15.0f, 0.0f, 2.0f, 300.0f, 350.0f - 100.0f * t},
  };
  // A shot number with no row of its own uses the nearest one.
  cam_apply(&rows[std::clamp(part, 0, CAMERA_ROWS - 1)]);
}

}  // namespace

// The saucer is never placed here: it flies on from wherever the star warp or
// an earlier frame left it, so cuts never make it jump.
void scene_saucer_city(int32_t elapsed_ms, int32_t part, float t, float /*v*/) {
  float dt;
  int32_t steps = scene_step_clock(&saucer_carried, elapsed_ms, &dt);

  Vec3f target{2.0f * t, 40.0f, 10.0f};
  float target_yaw = 1.1f * std::cos(10.0f * t);
  place_camera(part, t);
  if (part == 1) {
    target = {0.0f, 1.1f, 5.0f};
    int32_t k = trunc_to_i32(7.0f * t * t);
    target_yaw = std::sin(static_cast<float>(k)) - 1.0f;
  }

  Vec3f velocity;
  vec3f_sub(&velocity, target, saucer_body.pos);
  Vec3f turn{target_yaw - saucer_mesh.yaw, 0.0f, 0.0f};
  soft_set_motion(&saucer_body, &velocity, &turn);
  for (int32_t i = 0; i < std::min(steps, SIM_MAX_STEPS); ++i) soft_step(&saucer_body, dt);
  soft_write_back(&saucer_body);

  img_blit(&sky_image, 0, 0);
  raster_clear_depth();
  mesh_compute_normals(&saucer_mesh);
  mesh_transform(&saucer_mesh);
  mesh_env_map(&saucer_mesh);
  raster_draw_mesh(&saucer_mesh);
  scene_draw_city();
}
