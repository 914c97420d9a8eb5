// Every picture effect on a full frame, and one frame's worth together
// (goal: the set under 1 ms).
#include <benchmark/benchmark.h>

#include <vector>

#include "image/blit.h"
#include "image/effects.h"
#include "render3d/raster.h"

namespace {

struct EffectFrame {
  std::vector<Pixel> picture;
  Image image;
  EffectFrame() : picture(FRAME_PIXELS) {
    for (int i = 0; i < FRAME_PIXELS; ++i) {
      frame_buffer[i] = pixel_rgba(i * 3, i / 240, i % 240);
      picture[i] = pixel_rgba(i % 200, 90, i / 300, (i * 13) & 255);
      // A depth picture with steps, as a scene leaves it.
      depth_buffer[i] = (i % 240 < 60) ? DEPTH_CLEAR : 1060000000 + (i % 97) * 40000;
    }
    image = {picture.data(), FRAME_H, FRAME_W, 7};
  }
};

constexpr int32_t DEPTH_FAR = 4 * 300 * 4096, DEPTH_NEAR = 2 * 2 * 4096;

void BM_Blit(benchmark::State& state) {
  EffectFrame f;
  for (auto _ : state) img_blit(&f.image, 0, 0);
}
BENCHMARK(BM_Blit)->Unit(benchmark::kMicrosecond);

void BM_Sharpen6(benchmark::State& state) {
  EffectFrame f;
  for (auto _ : state) fx_blur(nullptr, 0, 0, FRAME_W, FRAME_H, -6);
}
BENCHMARK(BM_Sharpen6)->Unit(benchmark::kMicrosecond);

void BM_Blur(benchmark::State& state) {
  EffectFrame f;
  for (auto _ : state) fx_blur(nullptr, 0, 0, FRAME_W, FRAME_H, static_cast<int8_t>(state.range(0)));
}
BENCHMARK(BM_Blur)->Arg(1)->Arg(16)->Unit(benchmark::kMicrosecond);

void BM_Levels(benchmark::State& state) {
  EffectFrame f;
  for (auto _ : state) fx_levels(nullptr, 0, 0, FRAME_W, FRAME_H, 64, 239);
}
BENCHMARK(BM_Levels)->Unit(benchmark::kMicrosecond);

void BM_Noise(benchmark::State& state) {
  EffectFrame f;
  for (auto _ : state) fx_noise(nullptr, 0, 0, FRAME_W, FRAME_H, 24);
}
BENCHMARK(BM_Noise)->Unit(benchmark::kMicrosecond);

void BM_Lens(benchmark::State& state) {
  EffectFrame f;
  for (auto _ : state) fx_lens(nullptr, 0.8f, 0.8f, 1.1f);
}
BENCHMARK(BM_Lens)->Unit(benchmark::kMicrosecond);

void BM_Tear(benchmark::State& state) {
  EffectFrame f;
  for (auto _ : state) fx_tear(nullptr, 0.5f, 0.5f, 3, 1);
}
BENCHMARK(BM_Tear)->Unit(benchmark::kMicrosecond);

void BM_DepthShade(benchmark::State& state) {
  EffectFrame f;
  for (auto _ : state) fx_depth_shade(nullptr, depth_buffer, DEPTH_FAR, DEPTH_NEAR, 16.0f, 0.25f);
}
BENCHMARK(BM_DepthShade)->Unit(benchmark::kMicrosecond);

// What one busy frame applies: sharpen, levels, lens, tear, depth shade,
// noise and a full-frame overlay.
void BM_OneFrameOfEffects(benchmark::State& state) {
  EffectFrame f;
  for (auto _ : state) {
    fx_depth_shade(nullptr, depth_buffer, DEPTH_FAR, DEPTH_NEAR, 16.0f, 0.25f);
    fx_tear(nullptr, 0.5f, 0.5f, 3, 1);
    fx_lens(nullptr, 0.8f, 0.8f, 1.1f);
    fx_levels(nullptr, 0, 0, FRAME_W, FRAME_H, 64, 239);
    fx_noise(nullptr, 0, 0, FRAME_W, FRAME_H, 24);
    img_blit(&f.image, 0, 0);
    fx_blur(nullptr, 0, 0, FRAME_W, FRAME_H, -6);
  }
}
BENCHMARK(BM_OneFrameOfEffects)->Unit(benchmark::kMicrosecond);

}  // namespace
