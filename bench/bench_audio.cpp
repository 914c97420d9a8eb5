// Music start-up and the spectrum reading of scene 4, on the silent device.
#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

#include "audio/music.h"

namespace {
const char* const SOUNDTRACK = "data/KOLV Zeveviz 2014 test 5.mp3";

// The first start opens the device as well: the show's real start-up cost,
// until the position moves (the music is being heard).
void BM_MusicFirstStart(benchmark::State& state) {
  music_set_silent(true);
  for (auto _ : state) {
    if (!music_start(SOUNDTRACK)) state.SkipWithError("no soundtrack: run make data");
    while (music_position_ms() == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}
BENCHMARK(BM_MusicFirstStart)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_MusicRestart(benchmark::State& state) {
  for (auto _ : state) {
    if (!music_start(SOUNDTRACK)) state.SkipWithError("no soundtrack: run make data");
  }
}
BENCHMARK(BM_MusicRestart)->Unit(benchmark::kMillisecond);

// One frame of scene 4: the spectrum of what is heard, then 90 band queries.
void BM_Scene4FrameBands(benchmark::State& state) {
  if (!music_start(SOUNDTRACK)) state.SkipWithError("no soundtrack: run make data");
  music_seek_forward();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  for (auto _ : state) {
    music_update_spectrum();
    float best = 0;
    for (int f = 5000; f >= 550; f -= 50) {
      float level = music_band_level(static_cast<int>(0.9f * f), static_cast<int>(1.1f * f));
      if (level >= best) best = level;
    }
    benchmark::DoNotOptimize(best);
  }
  music_stop();
}
BENCHMARK(BM_Scene4FrameBands)->Unit(benchmark::kMicrosecond);
}  // namespace
