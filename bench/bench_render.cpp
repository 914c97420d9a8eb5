// Transform and draw of a 2000-triangle textured mesh (goal: under 0.5 ms).
#include <benchmark/benchmark.h>

#include "image/image_pool.h"
#include "render3d/camera.h"
#include "render3d/mesh.h"
#include "render3d/raster.h"
#include "render3d/transform.h"
#include "support/torus_mesh.h"

namespace {

struct BenchMesh {
  TorusMesh torus{50, 20, 0.4, 4};  // 2000 triangles
  Mesh& mesh = torus.mesh;
  Pixel texels[64 * 64];
  BenchMesh() {
    for (int i = 0; i < 64 * 64; ++i) texels[i] = pixel_rgba(i * 7, i / 64 * 4, i % 64 * 4);
    image_pool[0] = {texels, 64, 64, 6};
    mesh.texture = 0;
  }
  ~BenchMesh() { image_pool[0] = {}; }
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
    benchmark::DoNotOptimize(bm.torus.vertices[0].tx);
  }
}
BENCHMARK(BM_TransformOnly2000Triangles)->Unit(benchmark::kMicrosecond);

}  // namespace
