#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <tuple>

#include "common/simd.h"
#include "render3d/camera.h"
#include "render3d/transform.h"
#include "render3d/vertex_batch.h"
#include "support/skip_policy.h"

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
  // The same pose seen by a turned camera lands elsewhere.
  default_camera(5.0f);
  mesh_transform(&moved.mesh);
  EXPECT_NE(moved.vertices[0].tx, 552960);
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
  PointMesh copy = shape, full = shape;
  std::tie(copy.mesh.vertices, full.mesh.vertices) = std::tuple(copy.vertices, full.vertices);
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

// The eight-wide vertex work against the one-at-a-time definition, on random
// records (two blocks and a remainder) with wrapping values, w of 0 and +-1.
TEST(Transform, EightAtATimeMatchesOneAtATimeBitForBit) {
  if (!cpu_has_avx2()) GTEST_SKIP() << SKIP_NO_AVX2;
  std::mt19937 rng(5);
  auto random_fields = [&rng](auto& record, int32_t range) {
    for (int32_t& field : reinterpret_cast<int32_t(&)[sizeof record / 4]>(record))
      field = static_cast<int32_t>(rng() % (2u * range + 1)) - range;
  };
  FixMat4 m, n;
  random_fields(m, 1 << 17);
  random_fields(n, 1 << 13);
  // w = x: 0, +-1 and the extremes come from chosen x.
  std::tie(m.m[3], m.m[7], m.m[11], m.m[15]) = std::tuple(FIX_ONE, 0, 0, 0);
  MeshVertex plain[21], from[21];
  for (MeshVertex& v : plain) random_fields(v, 1 << 24);
  for (MeshVertex& v : from) random_fields(v, 1 << 30);
  std::tie(plain[0].x, plain[3].x, plain[9].x, plain[12].x, plain[17].x) = std::tuple(0, 1, -1, INT32_MIN, INT32_MAX);
  MeshVertex fast[21];
  std::copy(plain, plain + 21, fast);
  auto same = [&] { return std::memcmp(plain, fast, sizeof plain) == 0; };
  transform_vertices_plain(plain, 21, m, n);
  transform_vertices_avx2(fast, 21, m, n);
  EXPECT_TRUE(same());
  transform_like_plain(plain, from, 21, m);
  transform_like_avx2(fast, from, 21, m);
  EXPECT_TRUE(same());
  for (MeshVertex* v : {plain, fast}) std::tie(v[5].vnx, v[6].vny) = std::tuple(INT32_MAX, INT32_MIN);
  env_map_plain(plain, 21);
  env_map_avx2(fast, 21);
  EXPECT_TRUE(same());
  // The matrix product too, with wrapping entries.
  std::tie(m.m[5], n.m[6]) = std::tuple(INT32_MIN, INT32_MAX);
  FixMat4 plain_product, fast_product;
  mat_mul_plain(&plain_product, &m, &n);
  mat_mul_avx2(&fast_product, &m, &n);
  EXPECT_TRUE(std::equal(plain_product.m, plain_product.m + 16, fast_product.m));
}
