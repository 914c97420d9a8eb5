// What the frame driver spends on the tracks: six evaluations per frame on
// tracks the size of a full show.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "sync/track.h"

namespace {

// A track with a key every other row (a dense show), cycling through the kinds.
std::vector<Keyframe> dense_keys(int32_t count, int32_t offset) {
  std::vector<Keyframe> keys(count);
  for (int32_t i = 0; i < count; i++)
    keys[i] = {2 * i, static_cast<float>((i + offset) % 7), (i + offset) % 4};
  return keys;
}

void BM_SixTracksPerFrame(benchmark::State& state) {
  auto count = static_cast<int32_t>(state.range(0));
  std::vector<Keyframe> keys[6];
  KeyTrack tracks[6];
  for (int i = 0; i < 6; i++) {
    keys[i] = dense_keys(count, i);
    tracks[i] = KeyTrack{nullptr, keys[i].data(), count};
  }
  int32_t t = 0;
  const int32_t show_ms = count * 2 * 250;
  for (auto _ : state) {
    auto row = static_cast<float>(t * static_cast<double>(0.004f));
    float sum = 0.0f;
    for (const KeyTrack& track : tracks) sum += track_value(&track, row);
    benchmark::DoNotOptimize(sum);
    t = (t + 20) % show_ms;  // 50 frames a second through the whole show
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SixTracksPerFrame)->Arg(16)->Arg(512)->Arg(65536);

}  // namespace
