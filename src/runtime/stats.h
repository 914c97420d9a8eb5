#pragma once
// Frame timing for --stats: per frame the draw, convert, encode and write
// times, the bytes sent and the cells left unchanged, summarised on exit.
#include <cstdint>
#include <cstdio>

struct FrameSample {
  int8_t scene;
  uint32_t draw_us, convert_us, encode_us, write_us;
  uint32_t bytes;
  uint16_t elided;
  uint16_t cells;  // in the grid presented
};

// Reserves room for `capacity` frames up front; frames beyond it are counted
// but not kept.
void stats_begin(uint32_t capacity);
void stats_record(const FrameSample& sample);
// Prints the summary, overall and per scene.
void stats_print(std::FILE* out, double wall_seconds);
