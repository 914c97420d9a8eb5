#include "scenes/robot_city.h"

#include <algorithm>
#include <cmath>

#include "common/numeric.h"
#include "common/random.h"
#include "assets/assets.h"
#include "image/blit.h"
#include "image/effects.h"
#include "render3d/camera.h"
#include "render3d/cull.h"
#include "render3d/raster.h"
#include "render3d/transform.h"
#include "scenes/scenes.h"
#include "softbody/softbody.h"

namespace {

constexpr int32_t CITY_STEP = 40;
constexpr int32_t CITY_FIRST = 120;
constexpr int32_t CITY_BLOCKS = 8;
constexpr int32_t CROWD_COPIES = 7;
constexpr float CROWD_SPACING = 3.0f;
constexpr int32_t CAMERA_ROWS = 3;

float robot_carried = 0.0f;
int32_t prev_part = -1;

// Offset of a crowd copy along one axis: 0, +1, -1 spacing.
float crowd_offset(int32_t digit) {
  static constexpr float OFFSETS[3] = {0.0f, 1.0f, -1.0f};
  return CROWD_SPACING * OFFSETS[digit];
}

void place_camera(int32_t part, float t) {
  const CameraParams rows[CAMERA_ROWS] = {
      {t - 3.0f, 0.3f * t + 0.25f, t + 1.0f, -35.0f, 15.0f, 0.0f, 2.0f, 300.0f, 350.0f - 100.0f * t},
      {t - 5.0f, 1.5f, -5.0f - 0.5f * t, -45.0f, 22.5f, 0.0f, 2.0f, 300.0f, 200.0f},
      {t - 4.0f, 1.5f, -4.0f - 0.5f * t, -45.0f, 23.0f, 0.0f, 2.0f, 300.0f, 200.0f},
  };
  // A shot number with no row of its own uses the nearest one.
  cam_apply(&rows[std::clamp(part, 0, CAMERA_ROWS - 1)]);
}

// A second coat drawn straight over `base`: with the same shape it takes the
// base's screen positions and skips faces the base found hidden.
void transform_coat(Mesh* coat, const Mesh* base, bool same_shape) {
  if (same_shape) {
    mesh_transform_like(coat, base);
  } else {
    mesh_transform(coat);
  }
}

void draw_coat(Mesh* coat, const Mesh* base, bool same_shape) { raster_draw_mesh_over(coat, same_shape ? base : nullptr); }

// `shape`: the box around the robot; `same_shape`: the plain mesh has the
// chrome mesh's positions, so it takes its screen positions too.
void draw_robot_copy(int32_t copy, const MeshBounds* shape, bool same_shape) {
  float home_x = robot_mesh.pos.x;
  float home_z = robot_mesh.pos.z;
  if (copy != 0) {
    robot_mesh.pos.x += crowd_offset(copy % 3);
    robot_mesh.pos.z += crowd_offset(copy / 3);
  }
  // A copy wholly off screen or behind the camera would have every face rejected.
  const bool hidden = shape && mesh_outside_view(&robot_mesh, shape);

  if (!hidden) {
    mesh_transform(&robot_mesh);
    mesh_env_map(&robot_mesh);
    raster_draw_mesh(&robot_mesh);
  }

  // A random skin per copy and frame, blended over the chrome, makes it flicker.
  mesh_set_texture(&robot_mesh_plain, robot_textures[rand_next() & 7]);
  mesh_set_pose(&robot_mesh_plain, robot_mesh.pos.x, robot_mesh.pos.y, robot_mesh.pos.z,
                robot_mesh.yaw, robot_mesh.pitch, robot_mesh.roll);
  raster_select_alpha(1);
  if (!hidden || !same_shape) {
    transform_coat(&robot_mesh_plain, &robot_mesh, same_shape);
    draw_coat(&robot_mesh_plain, &robot_mesh, same_shape);
  }
  raster_select_alpha(0);

  robot_mesh.pos.x = home_x;
  robot_mesh.pos.z = home_z;
}

}  // namespace

int32_t scene_step_clock(float* carried, int32_t elapsed_ms, float* dt) {
  int32_t total_ms = trunc_to_i32(*carried * 1000.0f + static_cast<float>(elapsed_ms));
  int32_t steps = total_ms / SIM_STEP_MS;
  float total_s = static_cast<float>(total_ms) / 1000.0f;
  *dt = steps >= 1 ? total_s / static_cast<float>(steps) : 0.0f;
  float left = total_s - static_cast<float>(steps) * *dt;
  *carried = left < 0.0f ? 0.0f : left;
  return steps;
}

void scene_draw_city() {
  int32_t resume = rand_next();
  rand_seed(CITY_SEED);
  // Most blocks lie behind the camera or off to one side: a box test skips
  // their transforms and draws, which would have rejected every face.
  MeshBounds bounds[BUILDING_MESH_COUNT];
  bool boxed[BUILDING_MESH_COUNT];
  for (int32_t k = 0; k < BUILDING_MESH_COUNT; ++k) boxed[k] = mesh_bounds(&building_meshes[k], &bounds[k]);
  auto hidden = [&](int32_t k) { return boxed[k] && mesh_outside_view(&building_meshes[k], &bounds[k]); };
  // The lit windows are a second copy of a block's shape: when the shapes
  // match, its box test and screen positions are those of the block itself.
  bool same_shape[2];
  for (int32_t k = 0; k < 2; ++k) same_shape[k] = mesh_same_positions(&building_meshes[k], &building_meshes[k + 2]);
  for (int32_t i = 0; i < CITY_BLOCKS; ++i) {
    auto x = static_cast<float>(CITY_FIRST - CITY_STEP * i);
    for (int32_t j = 0; j < CITY_BLOCKS; ++j) {
      auto z = static_cast<float>(CITY_FIRST - CITY_STEP * j);
      // Four draws in this order fix the block; the layout depends on it.
      int32_t kind = rand_next() & 1;
      float y = -static_cast<float>(rand_next() & 31) * 0.6f;
      int32_t quarter = rand_next() & 3;
      int32_t turn = rand_next() & 7;
      auto yaw = static_cast<float>(quarter * 90 + turn);

      Mesh* paper = &building_meshes[kind];
      mesh_set_pose(paper, x, y, z, yaw, 0.0f, 0.0f);
      const bool paper_hidden = hidden(kind);
      if (!paper_hidden) {
        mesh_transform(paper);
        raster_draw_mesh(paper);
      }

      Mesh* lights = &building_meshes[kind + 2];
      mesh_set_pose(lights, x, y, z, yaw, 0.0f, 0.0f);
      if (same_shape[kind] ? !paper_hidden : !hidden(kind + 2)) {
        transform_coat(lights, paper, same_shape[kind]);
        raster_select_multiply(1);
        mesh_env_map(lights);
        draw_coat(lights, paper, same_shape[kind]);
      }
      raster_select_multiply(0);
    }
  }
  rand_seed(static_cast<uint32_t>(resume));
}

void scene_robot_city(int32_t elapsed_ms, int32_t part, float t, float v) {
  float dt;
  int32_t steps = scene_step_clock(&robot_carried, elapsed_ms, &dt);

  place_camera(part, t);

  Vec3f target{t, 1.0f, 0.0f};
  float target_yaw = 1.1f * std::cos(10.0f * t);
  if (part == 0) {
    target = {0.0f, -0.1f, 5.0f};
    // The truncation makes the yaw jump between unrelated values.
    int32_t k = trunc_to_i32(7.0f * t * t);
    target_yaw = std::sin(static_cast<float>(k)) - 1.0f;
  } else if (part == 2) {
    target = {7.0f, 1.0f, t - 11.0f};
  }

  // Every cut puts the robot on its start mark.
  if (part != prev_part) {
    robot_body.pos = target;
    robot_mesh.pos = target;
    robot_mesh.yaw = target_yaw;
  }

  // Speed and turn rate equal to what is left to go, recomputed every frame.
  Vec3f velocity;
  vec3f_sub(&velocity, target, robot_body.pos);
  Vec3f turn{target_yaw - robot_mesh.yaw, 0.0f, 0.0f};
  soft_set_motion(&robot_body, &velocity, &turn);
  for (int32_t i = 0; i < std::min(steps, SIM_MAX_STEPS); ++i) soft_step(&robot_body, dt);

  // Both robot meshes take the same deformed vertices.
  soft_write_back(&robot_body);
  robot_body.mesh = &robot_mesh_plain;
  soft_write_back(&robot_body);
  robot_body.mesh = &robot_mesh;

  img_blit(&sky_image, 0, 0);
  raster_clear_depth();

  // The copies share one shape, so its normals are computed once.
  mesh_compute_normals(&robot_mesh);
  MeshBounds shape;
  const bool boxed = mesh_bounds(&robot_mesh, &shape);
  const bool same_shape = mesh_same_positions(&robot_mesh, &robot_mesh_plain);
  int32_t copies = part == 2 ? CROWD_COPIES : 1;
  for (int32_t copy = copies - 1; copy >= 0; --copy) draw_robot_copy(copy, boxed ? &shape : nullptr, same_shape);

  // The city is drawn after the tear so the blocks stay whole.
  if (part != 1 && v > 0.0f) {
    fx_tear(nullptr, 0.25f * v, 0.5f, trunc_to_i32(2.0f * v + 1.0f), 1);
  }
  scene_draw_city();
  fx_depth_shade(nullptr, depth_buffer, 4 * camera.far, 2 * camera.near, 16.0f, 0.0625f);
  if (part == 1 && v > 0.0f) fx_lens(nullptr, v, v, 1.28f * v);

  prev_part = part;
}
