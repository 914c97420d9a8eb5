#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "render3d/camera.h"
#include "render3d/transform.h"

namespace {

// A one-vertex-per-point mesh at the origin with angles 0.
struct PointMesh {
  MeshVertex vertices[8] = {};
  Mesh mesh = {};
  explicit PointMesh(std::initializer_list<FixVec3> points) {
    mesh.vertices = vertices;
    mesh.frame_count = 1;
    for (const FixVec3& p : points) {
      MeshVertex& v = vertices[mesh.vertex_count++];
      std::tie(v.x, v.y, v.z) = std::tuple(p.x, p.y, p.z);
    }
  }
};

FixVec3 at(float x, float y, float z) {
  return {fix_from_float(x), fix_from_float(y), fix_from_float(z)};
}

void default_camera(float yaw = 0.0f) {
  const CameraParams params = {0, 0, 0, yaw, 0, 0, 10, 5000, 200};
  cam_apply(&params);
}

}  // namespace

TEST(Transform, ProjectedPositionsDepthsAndClipCodes) {
  default_camera();
  PointMesh pm({at(10, 0, 100), at(0, 0, 10), at(0, 0, 100), at(0, 10, 100), at(0, 0, -10),
                at(0, 0, 5), at(0, 0, 0)});
  mesh_transform(&pm.mesh);
  const MeshVertex* v = pm.vertices;
  // (135, 75) in pixels; depth z_ndc 4096 at the near distance and -3290 at 100.
  EXPECT_EQ(std::tuple(pm.mesh.transformed, v[0].tx, v[0].ty, v[0].tw, v[0].behind, v[0].outcode & 0xFF),
            std::tuple(1, 552960, 307200, FIX_ONE, 0, 0));
  EXPECT_EQ(std::tuple(v[1].tz, v[2].tz, v[3].tx), std::tuple(1040187392, 1100693504, 120 * FIX_ONE));
  EXPECT_NEAR(v[3].ty / 4096.0, 60.0, 0.5);  // above the centre
  EXPECT_EQ(std::tuple(v[4].behind, v[4].outcode & 0xFF), std::tuple(-1, OUTCODE_FAR));
  EXPECT_EQ(std::tuple(v[5].behind, v[5].outcode & 0xFF), std::tuple(0, OUTCODE_NEAR));
  EXPECT_LT(v[5].tz, 1040187392);
  // w = 0: screen centre.
  EXPECT_EQ(std::tuple(v[6].tx, v[6].ty, v[6].tz, v[6].behind), std::tuple(120 * FIX_ONE, 75 * FIX_ONE, 1073741824, 0));

  // The mesh's own position moves its vertices in the world.
  PointMesh moved({at(0, 0, 0)});
  mesh_set_pose(&moved.mesh, 10, 0, 100, 0, 0, 0);
  mesh_transform(&moved.mesh);
  EXPECT_EQ(moved.vertices[0].tx, 552960);
}

TEST(Transform, NearEqualToFarIsRefused) {
  default_camera();
  const FixMat4 before = camera.view_proj;
  const CameraParams flat = {5, 5, 5, 10, 10, 0, 30, 30, 100};
  cam_apply(&flat);
  EXPECT_TRUE(std::equal(before.m, before.m + 16, camera.view_proj.m));
  EXPECT_EQ(std::tuple(camera.near, camera.depth_range), std::tuple(10 * FIX_ONE, 4990 * FIX_ONE));
  cam_set_lens(&camera, 7, 7, 1.0f);
  EXPECT_EQ(camera.far, 5000 * FIX_ONE);
}

// A second copy of a shape takes the first one's screen positions; its own
// normals and the clip-code bits above the low byte stay its own.
TEST(Transform, LikeAShapeEqualsAFullTransform) {
  default_camera(30.0f);
  PointMesh shape({at(10, 0, 100), at(0, 5, -10), at(0, -3, 7), at(400, 0, 50), at(0, 0, 0)});
  PointMesh copy = shape;
  copy.mesh.vertices = copy.vertices;
  PointMesh full = shape;
  full.mesh.vertices = full.vertices;
  for (int i = 0; i < 5; ++i) {
    copy.vertices[i].nx = full.vertices[i].nx = 4096 - 1000 * i;
    copy.vertices[i].nz = full.vertices[i].nz = 700 * i;
    copy.vertices[i].outcode = full.vertices[i].outcode = 0x300 | 0x3F;
  }
  for (Mesh* m : {&shape.mesh, &copy.mesh, &full.mesh}) mesh_set_pose(m, 1.5f, -2.0f, 30.0f, 0.7f, 0.2f, -0.1f);
  ASSERT_TRUE(mesh_same_positions(&shape.mesh, &copy.mesh));

  mesh_transform(&shape.mesh);
  mesh_transform(&full.mesh);
  mesh_transform_like(&copy.mesh, &shape.mesh);
  EXPECT_EQ(copy.mesh.transformed, 1);
  auto results = [](const MeshVertex& v) {
    return std::tuple(v.tx, v.ty, v.tz, v.tw, v.behind, v.outcode, v.vnx, v.vny, v.vnz);
  };
  for (int i = 0; i < 5; ++i) EXPECT_EQ(results(copy.vertices[i]), results(full.vertices[i])) << i;

  copy.vertices[3].y += 1;
  EXPECT_FALSE(mesh_same_positions(&shape.mesh, &copy.mesh));
  copy.vertices[3].y -= 1;
  copy.mesh.vertex_count = 4;
  EXPECT_FALSE(mesh_same_positions(&shape.mesh, &copy.mesh));
}
