// Cell conversion of whole frames: the display's inner loop, 4000 cells.
#include <benchmark/benchmark.h>

#include <random>

#include "display/cell_convert.h"
#include "display/console.h"
#include "display/lookup_tables.h"
#include "runtime/test_card.h"

namespace {

Pixel frame[FRAME_PIXELS];
uint8_t characters[CONSOLE_CELLS], attributes[CONSOLE_CELLS];

void load_tables_once() {
  static bool loaded = false;
  if (!loaded && cell_missing_table() == nullptr) cell_load_tables();
  loaded = true;
}

// Every cell converted, each time (the show skips blocks that did not change).
void run(benchmark::State& state) {
  for (auto _ : state) {
    cell_convert_frame(frame, characters, attributes);
    benchmark::DoNotOptimize(characters);
    benchmark::DoNotOptimize(attributes);
  }
  state.SetItemsProcessed(state.iterations() * CONSOLE_CELLS);
}

// Smooth gradient: every cell on the flat path.
void BM_ConvertFlatFrame(benchmark::State& state) {
  load_tables_once();
  for (int y = 0; y < FRAME_H; ++y)
    for (int x = 0; x < FRAME_W; ++x) frame[y * FRAME_W + x] = pixel_rgba(x, y, (x + y) / 2);
  run(state);
}
BENCHMARK(BM_ConvertFlatFrame)->Unit(benchmark::kMicrosecond);

// Noise of full-range colours: every cell on the pattern path, no two pixels alike.
void BM_ConvertBusyFrame(benchmark::State& state) {
  load_tables_once();
  std::mt19937 rng(3);
  for (Pixel& p : frame) p = rng() | 0xFF000000u;
  run(state);
}
BENCHMARK(BM_ConvertBusyFrame)->Unit(benchmark::kMicrosecond);

// Drawn detail in a handful of colours (thin lines, dots, dithers): every cell
// on the pattern path, as in the busiest frames of the show.
void BM_ConvertDetailFrame(benchmark::State& state) {
  load_tables_once();
  const Pixel inks[5] = {pixel_rgba(250, 250, 250), pixel_rgba(10, 10, 40), pixel_rgba(200, 40, 30),
                         pixel_rgba(30, 160, 220), pixel_rgba(240, 200, 20)};
  for (int y = 0; y < FRAME_H; ++y)
    for (int x = 0; x < FRAME_W; ++x) frame[y * FRAME_W + x] = inks[(x * 7 + y * 3 + x / 5) % 5];
  run(state);
}
BENCHMARK(BM_ConvertDetailFrame)->Unit(benchmark::kMicrosecond);

// The test card: chart, ramp, lines and dots, a typical mix of both paths.
void BM_ConvertTestCard(benchmark::State& state) {
  load_tables_once();
  test_card_draw(1234);
  std::copy(frame_buffer, frame_buffer + FRAME_PIXELS, frame);
  run(state);
}
BENCHMARK(BM_ConvertTestCard)->Unit(benchmark::kMicrosecond);

}  // namespace
