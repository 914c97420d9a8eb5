// Loading a 256 x 256 run-length encoded TGA picture, as every texture load does.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/common/tga_write.h"
#include "image/image.h"

namespace {

// A picture with both long runs and literal stretches, like the show's skins.
std::string write_test_picture() {
  const int size = 256;
  std::vector<uint32_t> pixels(size * size);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const bool flat = ((x / 32) + (y / 32)) % 2 == 0;
      pixels[y * size + x] = flat ? 0xFF204080u : 0xFF000000u | uint32_t(x * 7 + y * 13) * 2654435761u >> 8;
    }
  }
  const std::string path = "/tmp/kolv_bench_tga_" + std::to_string(getpid()) + ".tga";
  tga_write(path.c_str(), size, size, pixels.data(), true, true);
  return path;
}

void BM_LoadRleTga256(benchmark::State& state) {
  const std::string path = write_test_picture();
  for (auto _ : state) {
    Image image = {};
    img_load(path.c_str(), &image);
    benchmark::DoNotOptimize(image.pixels);
    img_free(&image);
  }
  remove(path.c_str());
}
BENCHMARK(BM_LoadRleTga256)->Unit(benchmark::kMicrosecond);

}  // namespace
