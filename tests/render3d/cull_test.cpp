#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <tuple>
#include <vector>

#include "common/simd.h"
#include "common/random.h"
#include "image/image_pool.h"
#include "render3d/camera.h"
#include "render3d/cull.h"
#include "render3d/cull_vertices.h"
#include "render3d/raster.h"
#include "render3d/transform.h"

namespace {

constexpr int SLOT = IMAGE_POOL_SIZE - 1;

// A mesh built in object space with a plain 4 x 4 texture in the last slot.
struct TestMesh {
  std::vector<MeshVertex> vertices;
  std::vector<MeshFace> faces;
  Pixel texels[16];
  Mesh mesh = {};

  TestMesh() {
    std::fill(std::begin(texels), std::end(texels), Pixel{0xFF3070B0});
    image_pool[SLOT] = {texels, 4, 4, 2};
  }
  ~TestMesh() {
    std::free(mesh.edges);
    image_pool[SLOT] = {};
  }
  void vertex(float x, float y, float z) {
    MeshVertex& v = vertices.emplace_back();
    std::tie(v.x, v.y, v.z) = std::tuple(fix_from_float(x), fix_from_float(y), fix_from_float(z));
    std::tie(v.u, v.v) = std::tuple(v.x * 8, v.y * 8);
  }
  // Both windings, so a face is drawn whichever way it turns to the camera.
  void face(int a, int b, int c) {
    faces.push_back({a, b, c, 0, 0, 0, 0, 0});
    faces.push_back({a, c, b, 0, 0, 0, 0, 0});
  }
  void finish() {
    std::tie(mesh.vertex_count, mesh.face_count, mesh.frame_count, mesh.texture) =
        std::tuple(static_cast<int32_t>(vertices.size()), static_cast<int32_t>(faces.size()), 1, SLOT);
    std::tie(mesh.vertices, mesh.faces) = std::tuple(vertices.data(), faces.data());
    ASSERT_TRUE(mesh_build_edges(&mesh));
  }
};

// A tower of stacked rings, like one of the city's blocks.
void build_tower(TestMesh* t, float radius, float height) {
  constexpr int SIDES = 6, LEVELS = 5;
  for (int l = 0; l < LEVELS; ++l) {
    for (int s = 0; s < SIDES; ++s) {
      const float a = 6.2831853f * static_cast<float>(s) / SIDES;
      t->vertex(radius * std::cos(a), height * static_cast<float>(l) / (LEVELS - 1), radius * std::sin(a));
    }
  }
  for (int l = 0; l + 1 < LEVELS; ++l) {
    for (int s = 0; s < SIDES; ++s) {
      const int a = l * SIDES + s, b = l * SIDES + (s + 1) % SIDES;
      t->face(a, b, b + SIDES);
      t->face(a, b + SIDES, a + SIDES);
    }
  }
  t->finish();
}

// Draws the mesh into a cleared frame; true when any pixel or depth changed.
bool draws_something(Mesh* mesh) {
  std::fill(frame_buffer, frame_buffer + FRAME_PIXELS, Pixel{0});
  raster_clear_depth();
  mesh_transform(mesh);
  raster_draw_mesh(mesh);
  return std::any_of(frame_buffer, frame_buffer + FRAME_PIXELS, [](Pixel p) { return p != 0; }) ||
         std::any_of(depth_buffer, depth_buffer + FRAME_PIXELS, [](int32_t d) { return d != DEPTH_CLEAR; });
}

float pick(float lo, float hi) { return lo + (hi - lo) * static_cast<float>(rand_next()) / 32767.0f; }

}  // namespace

TEST(MeshCull, AMeshProvedHiddenNeverDrawsAndMostHiddenOnesAreFound) {
  TestMesh tower;
  build_tower(&tower, 6.0f, 40.0f);
  // The box over three blocks of eight and a rest, and over the blocks alone,
  // from both twins; a box too small shows below as a hidden mesh drawn.
  MeshBounds bounds;
  for (int32_t count : {5, 24, 30}) {
    tower.mesh.vertex_count = count;
    ASSERT_TRUE(mesh_bounds(&tower.mesh, &bounds));
    if (cpu_has_avx2()) {
      MeshBounds plain = {}, fast = {};
      plain.lo = plain.hi = fast.lo = fast.hi = {tower.vertices[0].x, tower.vertices[0].y, tower.vertices[0].z};
      widen_box_plain(tower.vertices.data(), count, &plain);
      widen_box_avx2(tower.vertices.data(), count, &fast);
      EXPECT_EQ(std::memcmp(&plain, &fast, sizeof plain), 0) << count;
    }
  }
  raster_select_alpha(0);
  rand_seed(99);
  int hidden = 0, empty = 0, straddling_hidden = 0;
  const bool has_avx2 = cpu_has_avx2();
  for (int k = 0; k < 3000; ++k) {
    const CameraParams view{pick(-60, 60), pick(-10, 60), pick(-60, 60), pick(-180, 180), pick(-80, 80),
                            pick(-40, 40), pick(1, 8), pick(20, 400), pick(30, 600)};
    cam_apply(&view);
    mesh_set_pose(&tower.mesh, pick(-40, 40), pick(-20, 20), pick(-40, 40), pick(-7, 7), pick(-1, 1),
                  pick(-1, 1));
    const bool proved = mesh_outside_view(&tower.mesh, &bounds);
    // The vertex-by-vertex proof, eight at a time, against one at a time.
    FixMat4 rotation, m;
    mesh_clip_matrix(&tower.mesh, &rotation, &m);
    const MeshVertex* v = tower.vertices.data();
    if (has_avx2) {
      ASSERT_EQ(vertices_hidden_avx2(v, 30, m), vertices_hidden_plain(v, 30, m)) << k;
    }
    const bool drawn = draws_something(&tower.mesh);
    ASSERT_FALSE(proved && drawn) << "camera " << view.x << ", " << view.y << ", " << view.z;
    hidden += proved;
    empty += !drawn;
    bool behind = false, front = false;
    for (const MeshVertex& v : tower.vertices) (v.behind ? behind : front) = true;
    straddling_hidden += proved && behind && front;
  }
  // Conservative, but not uselessly so.
  EXPECT_TRUE(hidden > empty * 3 / 4 && straddling_hidden > 50) << hidden << " " << empty << " " << straddling_hidden;
}

TEST(MeshCull, AVertexOnTheCameraPlaneKeepsAnOffScreenMeshDrawn) {
  // The camera plane vertex lands on the screen centre with no clip code, so
  // its faces reach into the picture although the rest lies far to the left.
  TestMesh fan;
  fan.vertex(-100.0f, 0.0f, 0.0f);
  fan.vertex(-100.0f, 0.0f, 10.0f);
  fan.vertex(-100.0f, 5.0f, 10.0f);
  fan.face(0, 1, 2);
  fan.finish();
  const CameraParams view{0, 0, 0, 0, 0, 0, 2, 300, 200};
  cam_apply(&view);
  ASSERT_TRUE(draws_something(&fan.mesh));
  MeshBounds bounds;
  ASSERT_TRUE(mesh_bounds(&fan.mesh, &bounds));
  EXPECT_FALSE(mesh_outside_view(&fan.mesh, &bounds));

  // Moved a little in front of the camera plane, the same mesh is provably off screen.
  mesh_set_pose(&fan.mesh, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f);
  EXPECT_TRUE(!draws_something(&fan.mesh) && mesh_outside_view(&fan.mesh, &bounds));
  Mesh empty = {};
  EXPECT_FALSE(mesh_bounds(&empty, &bounds));  // no vertices, no box
}
