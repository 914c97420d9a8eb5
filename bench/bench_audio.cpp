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

float loudest_band() {
  float best = 0;
  for (int f = 5000; f >= 550; f -= 50) {
    float level = music_band_level(static_cast<int>(0.9f * f), static_cast<int>(1.1f * f));
    if (level >= best) best = level;
  }
  return best;
}

// One frame of scene 4: the spectrum of what is heard, then 90 band queries.
void BM_Scene4FrameBands(benchmark::State& state) {
  if (!music_start(SOUNDTRACK)) state.SkipWithError("no soundtrack: run make data");
  music_seek_forward();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  for (auto _ : state) {
    music_update_spectrum();
    benchmark::DoNotOptimize(loudest_band());
  }
  music_stop();
}
BENCHMARK(BM_Scene4FrameBands)->Unit(benchmark::kMicrosecond);

// The same frame in a headless run: a decoder seek and read of one window
// at the demo time, 50 frames a second through the second drop.
void BM_Scene4FrameFollowingClock(benchmark::State& state) {
  music_follow_clock(true);
  if (!music_start(SOUNDTRACK)) state.SkipWithError("no soundtrack: run make data");
  int32_t t = 112000;
  for (auto _ : state) {
    music_follow(t);
    music_update_spectrum();
    benchmark::DoNotOptimize(loudest_band());
    t = t < 144000 ? t + 20 : 112000;
  }
  music_follow_clock(false);
}
BENCHMARK(BM_Scene4FrameFollowingClock)->Unit(benchmark::kMicrosecond);
}  // namespace
