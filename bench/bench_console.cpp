// Conversion and encoding cost of one frame, and the bytes it puts on the
// wire, for a flat frame, a busy all-detail frame and a moving test picture.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "display/ansi_encoder.h"
#include "display/cell_convert.h"
#include "display/console.h"
#include "display/lookup_tables.h"
#include "display/resample.h"

namespace {

constexpr int MOVING_FRAMES = 50;  // one second at 50 frames per second

using Frame = std::vector<Pixel>;
using Cells = std::vector<ConsoleCell>;

Frame flat_frame() { return Frame(FRAME_PIXELS, pixel_rgba(90, 140, 200)); }

// Every pixel its own colour: every block takes the pattern path.
Frame busy_frame(uint32_t seed) {
  Frame f(FRAME_PIXELS);
  for (Pixel& p : f) {
    seed = seed * 1664525u + 1013904223u;
    p = pixel_rgba(seed >> 24, seed >> 16, seed >> 8);
  }
  return f;
}

// Smooth gradients (flat path) with a moving disc and a band of fine
// stripes (pattern path), as a scene mixes them.
Frame moving_frame(int n) {
  Frame f(FRAME_PIXELS);
  float t = static_cast<float>(n) * 0.02f;
  float cx = 120.0f + 80.0f * std::cos(t * 2.0f), cy = 75.0f + 45.0f * std::sin(t * 3.0f);
  for (int y = 0; y < FRAME_H; ++y) {
    for (int x = 0; x < FRAME_W; ++x) {
      uint32_t r = static_cast<uint32_t>(x + n) & 0xFF, g = static_cast<uint32_t>(y * 3 / 2);
      uint32_t b = static_cast<uint32_t>(128.0f + 100.0f * std::sin(static_cast<float>(x + y) * 0.03f + t));
      float dx = static_cast<float>(x) - cx, dy = static_cast<float>(y) - cy;
      if (dx * dx + dy * dy < 900.0f) r = g = b = 240;
      if (y >= 100 && y < 130 && ((x + 2 * n) / 2 & 1)) r = g = b = 20;
      f[y * FRAME_W + x] = pixel_rgba(r, g, b);
    }
  }
  return f;
}

void load_tables_once() {
  static bool loaded = false;
  if (loaded) return;
  loaded = true;
  if (cell_missing_table()) std::fprintf(stderr, "bench: conversion tables missing, converting with empty tables\n");
  else cell_load_tables();
}

void convert(const Frame& f, Cells* cells) { con_convert(f.data(), cells->data()); }

std::vector<Frame> pictures(int which) {
  std::vector<Frame> frames;
  if (which == 0) frames.push_back(flat_frame());
  if (which == 1)
    for (uint32_t s = 1; s <= 4; ++s) frames.push_back(busy_frame(s));
  if (which == 2)
    for (int n = 0; n < MOVING_FRAMES; ++n) frames.push_back(moving_frame(n));
  return frames;
}

const char* const NAMES[] = {"flat", "busy", "moving"};

void BM_Convert(benchmark::State& state) {
  load_tables_once();
  std::vector<Frame> frames = pictures(static_cast<int>(state.range(0)));
  Cells cells(CONSOLE_CELLS);
  size_t i = 0;
  for (auto _ : state) {
    convert(frames[i++ % frames.size()], &cells);
    benchmark::DoNotOptimize(cells.data());
  }
  state.SetLabel(NAMES[state.range(0)]);
}
BENCHMARK(BM_Convert)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// Bytes a naive full redraw sends: both true colours and the glyph for
// every cell, one cursor move per row.
size_t naive_bytes(const Cells& cells) {
  size_t total = 0;
  char sgr[64];
  for (int i = 0; i < CONSOLE_CELLS; ++i) {
    const ColorSample& f = CONSOLE_PALETTE[cells[i].attribute & 15];
    const ColorSample& b = CONSOLE_PALETTE[cells[i].attribute >> 4];
    total += static_cast<size_t>(std::snprintf(sgr, sizeof sgr, "\x1b[38;2;%d;%d;%d;48;2;%d;%d;%dm", f.r, f.g, f.b,
                                               b.r, b.g, b.b)) + 2;
  }
  return total + CONSOLE_ROWS * 8;
}

// Each frame encoded against the one shown before it, as con_present does.
void BM_Encode(benchmark::State& state) {
  load_tables_once();
  std::vector<Frame> frames = pictures(static_cast<int>(state.range(0)));
  auto mode = static_cast<ColorMode>(state.range(1));
  std::vector<Cells> cells(frames.size(), Cells(CONSOLE_CELLS));
  for (size_t k = 0; k < frames.size(); ++k) convert(frames[k], &cells[k]);
  std::vector<char> out(ANSI_FRAME_MAX);
  AnsiLayout layout = ansi_layout(CONSOLE_COLS, CONSOLE_ROWS);
  size_t i = 0, bytes = 0, naive = 0, elided = 0;
  for (auto _ : state) {
    const Cells& now = cells[i % cells.size()];
    const Cells& before = cells[(i + cells.size() - 1) % cells.size()];
    AnsiFrameInfo info;
    bytes += ansi_encode(now.data(), before.data(), mode, layout, out.data(), out.size(), &info);
    elided += static_cast<size_t>(info.cells_elided);
    ++i;
  }
  for (const Cells& c : cells) naive += naive_bytes(c);
  double frames_run = static_cast<double>(i);
  state.counters["bytes/frame"] = static_cast<double>(bytes) / frames_run;
  state.counters["elided/frame"] = static_cast<double>(elided) / frames_run;
  state.counters["naive bytes/frame"] = static_cast<double>(naive) / static_cast<double>(cells.size());
  state.SetLabel(NAMES[state.range(0)]);
}
BENCHMARK(BM_Encode)
    ->ArgsProduct({{0, 1, 2},
                   {static_cast<int>(ColorMode::Ansi16), static_cast<int>(ColorMode::Ansi256),
                    static_cast<int>(ColorMode::TrueColor)}})
    ->Unit(benchmark::kMicrosecond);

// Convert and encode together through the presenter itself (no terminal).
void BM_Present(benchmark::State& state) {
  load_tables_once();
  std::vector<Frame> frames = pictures(static_cast<int>(state.range(0)));
  con_configure({ColorMode::TrueColor, true});
  size_t i = 0, bytes = 0;
  for (auto _ : state) {
    con_present(frames[i++ % frames.size()].data());
    bytes += con_frame_stats().bytes;
  }
  state.counters["bytes/frame"] = static_cast<double>(bytes) / static_cast<double>(i);
  state.SetLabel(NAMES[state.range(0)]);
}
BENCHMARK(BM_Present)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// The same at the grids a terminal gets (resample, convert, encode), by
// terminal size and cell shape; the console grid first for the per-cell
// comparison.
struct TermCase {
  int cols, rows;
  float aspect;
  GridChoice choice;
};
const TermCase TERMS[] = {{80, 50, 1.0f, GridChoice::Console},
                          {80, 24, 2.0f, GridChoice::Fit},
                          {200, 60, 2.0f, GridChoice::Fit},
                          {200, 100, 2.0f, GridChoice::Fixed}};

void BM_PresentFitted(benchmark::State& state) {
  load_tables_once();
  std::vector<Frame> frames = pictures(static_cast<int>(state.range(0)));
  const TermCase& term = TERMS[state.range(1)];
  ConsoleOptions options{ColorMode::TrueColor, true};
  options.grid = {term.choice, 160, 100};
  options.term_cols = term.cols;
  options.term_rows = term.rows;
  options.cell_aspect = term.aspect;
  con_configure(options);
  con_present(frames[0].data());
  const GridShape grid = con_grid();
  size_t i = 0, bytes = 0;
  for (auto _ : state) {
    con_present(frames[i++ % frames.size()].data());
    bytes += con_frame_stats().bytes;
  }
  const double cells = grid.cols * grid.rows;
  state.counters["bytes/frame"] = static_cast<double>(bytes) / static_cast<double>(i);
  state.counters["us/kcell"] = benchmark::Counter(static_cast<double>(i) * cells / 1000.0,
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  char label[48];
  std::snprintf(label, sizeof label, "%s %dx%d", NAMES[state.range(0)], grid.cols, grid.rows);
  state.SetLabel(label);
  con_configure({ColorMode::TrueColor, true});
}
BENCHMARK(BM_PresentFitted)->ArgsProduct({{1, 2}, {0, 1, 2, 3}})->Unit(benchmark::kMicrosecond);

// The resampling alone, frame to the grid's pixels, every frame changed.
void BM_Resample(benchmark::State& state) {
  const Frame frames[2] = {moving_frame(0), moving_frame(1)};
  std::vector<Pixel> out(RESAMPLE_W_MAX * RESAMPLE_H_MAX);
  resample_setup(static_cast<int>(state.range(0)) * 3, static_cast<int>(state.range(1)) * 3);
  size_t i = 0;
  for (auto _ : state) {
    resample_frame(frames[i++ & 1].data(), out.data());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_Resample)->Args({77, 24})->Args({160, 50})->Args({160, 100})->Unit(benchmark::kMicrosecond);

}  // namespace
