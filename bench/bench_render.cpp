// Transform and draw of a 2000-triangle textured mesh (goal: under 0.5 ms).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "image/image_pool.h"
#include "render3d/camera.h"
#include "render3d/mesh.h"
#include "render3d/raster.h"
#include "render3d/transform.h"

namespace {

constexpr int RINGS = 50, SIDES = 20;  // 2000 triangles

struct BenchMesh {
  std::vector<MeshVertex> vertices;
  std::vector<MeshFace> faces;
  Mesh mesh = {};
  Pixel texels[64 * 64];
  BenchMesh() {
    for (int i = 0; i < RINGS; ++i) {
      for (int j = 0; j < SIDES; ++j) {
        const double a = 2 * M_PI * i / RINGS, b = 2 * M_PI * j / SIDES;
        const double r = 1.0 + 0.4 * std::cos(b);
        MeshVertex v = {};
        v.x = fix_from_float(static_cast<float>(r * std::cos(a)));
        v.y = fix_from_float(static_cast<float>(0.4 * std::sin(b)));
        v.z = fix_from_float(static_cast<float>(r * std::sin(a)));
        v.u = UV_ONE * 4 * i / RINGS;
        v.v = UV_ONE * j / SIDES;
        vertices.push_back(v);
      }
    }
    auto at = [](int i, int j) { return (i % RINGS) * SIDES + j % SIDES; };
    for (int i = 0; i < RINGS; ++i) {
      for (int j = 0; j < SIDES; ++j) {
        faces.push_back({at(i, j), at(i, j + 1), at(i + 1, j + 1), 0, 0, 0, 0, 0});
        faces.push_back({at(i, j), at(i + 1, j + 1), at(i + 1, j), 0, 0, 0, 0, 0});
      }
    }
    mesh.vertex_count = RINGS * SIDES;
    mesh.face_count = static_cast<int32_t>(faces.size());
    mesh.frame_count = 1;
    mesh.vertices = vertices.data();
    mesh.faces = faces.data();
    mesh_build_edges(&mesh);
    mesh_compute_normals(&mesh);
    for (int i = 0; i < 64 * 64; ++i) texels[i] = pixel_rgba(i * 7, i / 64 * 4, i % 64 * 4);
    image_pool[0] = {texels, 64, 64, 6};
    mesh.texture = 0;
  }
  ~BenchMesh() {
    std::free(mesh.edges);
    image_pool[0] = {};
  }
};

// The mesh fills about a third of the frame, turning a little every pass.
void BM_TransformAndDraw2000Triangles(benchmark::State& state) {
  BenchMesh bm;
  const CameraParams cam = {0, 1.2f, -3.6f, 0, -18, 0, 1, 100, 200};
  cam_apply(&cam);
  float yaw = 0;
  for (auto _ : state) {
    raster_clear_depth();
    mesh_set_pose(&bm.mesh, 0, 0, 0, yaw, 0.3f, 0);
    yaw += 0.01f;
    mesh_transform(&bm.mesh);
    mesh_env_map(&bm.mesh);
    raster_draw_mesh(&bm.mesh);
    benchmark::DoNotOptimize(frame_buffer[FRAME_PIXELS / 2]);
  }
}
BENCHMARK(BM_TransformAndDraw2000Triangles)->Unit(benchmark::kMicrosecond);

void BM_TransformOnly2000Triangles(benchmark::State& state) {
  BenchMesh bm;
  const CameraParams cam = {0, 1.2f, -3.6f, 0, -18, 0, 1, 100, 200};
  cam_apply(&cam);
  for (auto _ : state) {
    mesh_transform(&bm.mesh);
    benchmark::DoNotOptimize(bm.vertices[0].tx);
  }
}
BENCHMARK(BM_TransformOnly2000Triangles)->Unit(benchmark::kMicrosecond);

}  // namespace
