#include "platform/clock.h"

#include <ctime>

namespace {
bool virtual_mode = false;
double virtual_step = 0.0;
uint64_t virtual_frames = 0;
}  // namespace

uint32_t clock_real_ms() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

int64_t clock_real_us() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

uint32_t clock_ms() {
  if (!virtual_mode) return clock_real_ms();
  // Frames times the step, not a running sum: no drift however long the run.
  double ms = static_cast<double>(virtual_frames) * virtual_step;
  return static_cast<uint32_t>(static_cast<uint64_t>(ms));
}

void clock_use_virtual(double ms_per_frame) {
  virtual_mode = true;
  virtual_step = ms_per_frame > 0.0 ? ms_per_frame : 0.0;
  virtual_frames = 0;
}

void clock_advance_frame() {
  if (virtual_mode) ++virtual_frames;
}
