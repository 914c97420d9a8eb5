// One frame of each scene as the frame driver calls it at 50 fps (20 ms
// apart), with the show's assets. Run from the repository root after
// `make data`; without the data the scene benchmarks report an error.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "assets/assets.h"
#include "scenes/scenes.h"

namespace {

constexpr int32_t FRAME_MS = 20;

bool assets_ready() {
  static const bool ready = [] {
    if (!std::filesystem::exists("data/bot1.bof") || !std::filesystem::exists("data/sky01.tga")) {
      return false;
    }
    asset_load_all();
    asset_build_extras();
    return true;
  }();
  return ready;
}

template <typename Frame>
void run_frames(benchmark::State& state, Frame frame) {
  if (!assets_ready()) {
    state.SkipWithError("data/ not generated (run `make data`)");
    return;
  }
  float t = 0.0f;
  for (auto _ : state) {
    frame(t);
    // Keep the scene's time within its shot, as the tracks do.
    t = t >= 1.0f ? 0.0f : t + 0.02f;
  }
}

void BM_RobotCityShot(benchmark::State& state) {
  auto part = static_cast<int32_t>(state.range(0));
  run_frames(state, [part](float t) { scene_robot_city(FRAME_MS, part, t, 0.5f); });
}
BENCHMARK(BM_RobotCityShot)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_StarWarpWithSaucer(benchmark::State& state) {
  run_frames(state, [](float t) { scene_star_warp(FRAME_MS, 1, t + 25.0f, 4); });
}
BENCHMARK(BM_StarWarpWithSaucer)->Unit(benchmark::kMicrosecond);

void BM_SaucerCityShot(benchmark::State& state) {
  auto part = static_cast<int32_t>(state.range(0));
  run_frames(state, [part](float t) { scene_saucer_city(FRAME_MS, part, t, 0.0f); });
}
BENCHMARK(BM_SaucerCityShot)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_SpectrumWave(benchmark::State& state) {
  for (auto _ : state) scene_spectrum_wave();
}
BENCHMARK(BM_SpectrumWave)->Unit(benchmark::kMicrosecond);

void BM_EndLogo(benchmark::State& state) {
  run_frames(state, [](float t) { scene_end_logo(t); });
}
BENCHMARK(BM_EndLogo)->Unit(benchmark::kMicrosecond);

}  // namespace
