// What one frame of the robot scene spends on the jelly: 25 soft-body steps.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "render3d/mesh_load.h"
#include "softbody/softbody.h"

namespace {

// Stand-in when data/bot1.bof has not been generated: a body of about the
// robot's size and detail (a 2-unit tall ellipsoid, 18 rings of 20 vertices).
struct GeneratedRobot {
  std::vector<MeshVertex> vertices;
  std::vector<MeshFace> faces;
  Mesh mesh{};

  GeneratedRobot() {
    const int rings = 18, around = 20;
    for (int r = 0; r < rings; ++r) {
      const float a = 3.14159265f * (r + 0.5f) / rings;
      for (int s = 0; s < around; ++s) {
        const float b = 2.0f * 3.14159265f * s / around;
        MeshVertex v{};
        v.x = static_cast<Fixed>(0.8f * std::sin(a) * std::cos(b) * 4096.0f);
        v.y = static_cast<Fixed>((1.0f + std::cos(a)) * 4096.0f);
        v.z = static_cast<Fixed>(0.6f * std::sin(a) * std::sin(b) * 4096.0f);
        vertices.push_back(v);
      }
    }
    for (int r = 0; r + 1 < rings; ++r)
      for (int s = 0; s < around; ++s) {
        const int i = r * around + s, j = r * around + (s + 1) % around;
        faces.push_back({i, j, i + around, 0, 0, 0, 0, 0});
        faces.push_back({j, j + around, i + around, 0, 0, 0, 0, 0});
      }
    mesh.vertex_count = static_cast<int32_t>(vertices.size());
    mesh.face_count = static_cast<int32_t>(faces.size());
    mesh.frame_count = 1;
    mesh.vertices = vertices.data();
    mesh.faces = faces.data();
  }
};

void BM_RobotSoftBody25Steps(benchmark::State& state) {
  static GeneratedRobot generated;
  static Mesh loaded{};
  Mesh* mesh = &generated.mesh;
  if (FILE* f = std::fopen("data/bot1.bof", "rb")) {
    std::fclose(f);
    if (!loaded.vertices) mesh_load("data/bot1.bof", &loaded);
    if (loaded.vertices) mesh = &loaded;
  }
  soft_set_ground(-100.0f, 0.2f, 100.0f, 0.2f);
  SoftBody body{};
  soft_build(&body, mesh, {0.0f, 0.0f, 0.0f}, 1.0f, 0.05f, 0.2f, 1000.0f, 0.02f);
  int frame = 0;
  for (auto _ : state) {
    // The robot walks and turns back and forth, as in its scene.
    const Vec3f velocity = {std::sin(frame * 0.05f), 0.0f, std::cos(frame * 0.05f)};
    const Vec3f turn = {std::sin(frame * 0.03f), 0.0f, 0.0f};
    soft_set_motion(&body, &velocity, &turn);
    for (int i = 0; i < 25; ++i) soft_step(&body, 0.002f);
    benchmark::DoNotOptimize(body.particles);
    ++frame;
  }
  state.counters["particles"] = body.particle_count;
  state.counters["springs"] = body.spring_count;
  state.counters["still_active"] = body.active;
  soft_free(&body);
}
BENCHMARK(BM_RobotSoftBody25Steps)->Unit(benchmark::kMicrosecond);

}  // namespace
