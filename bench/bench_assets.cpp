// The whole asset load: the first one at start-up, and the release-and-load
// that F5 does. Run from the repository root after `make data`.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "assets/assets.h"

namespace {

bool data_ready() { return std::filesystem::exists("data/bot1.bof") && std::filesystem::exists("data/sky01.tga"); }

void BM_AssetLoadAtStart(benchmark::State& state) {
  if (!data_ready()) {
    state.SkipWithError("data/ not generated (run `make data`)");
    return;
  }
  for (auto _ : state) {
    asset_load_all();
    asset_build_extras();
    state.PauseTiming();
    asset_free_all();
    asset_free_extras();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_AssetLoadAtStart)->Unit(benchmark::kMillisecond);

void BM_AssetReloadF5(benchmark::State& state) {
  if (!data_ready()) {
    state.SkipWithError("data/ not generated (run `make data`)");
    return;
  }
  asset_load_all();
  asset_build_extras();
  for (auto _ : state) {
    asset_free_all();
    asset_free_extras();
    asset_load_all();
    asset_build_extras();
  }
  asset_free_all();
  asset_free_extras();
}
BENCHMARK(BM_AssetReloadF5)->Unit(benchmark::kMillisecond);

}  // namespace
