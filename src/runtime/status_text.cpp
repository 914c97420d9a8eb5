#include "runtime/status_text.h"

#include <cstdio>
#include <cstdlib>

#include "sync/time_grid.h"

void status_text_format(const ShowStatus& s, char* out, size_t capacity) {
  if (capacity == 0) return;
  // Rows and beats count from the show's start; before it, below zero.
  int64_t ms = s.demo_ms;
  int64_t row = (ms >= 0 ? ms : ms - (MS_PER_ROW - 1)) / MS_PER_ROW;
  int64_t beat = (row >= 0 ? row : row - (ROWS_PER_BEAT - 1)) / ROWS_PER_BEAT;
  int64_t bar = (beat >= 0 ? beat : beat - (BEATS_PER_BAR - 1)) / BEATS_PER_BAR;
  long long magnitude = std::llabs(ms);
  const char* tail = *s.note != '\0' ? s.note : (s.paused ? "paused" : "");
  std::snprintf(out, capacity,
                "%s%lld:%02lld.%03lld r%lld %lld.%lld scene %d part %d time %.2f var %.2f "
                "overlay %d greet %d %d fps %s",
                ms < 0 ? "-" : "", magnitude / 60000, magnitude / 1000 % 60, magnitude % 1000,
                static_cast<long long>(row), static_cast<long long>(bar + 1),
                static_cast<long long>(beat - bar * BEATS_PER_BAR + 1), s.values.scene,
                s.values.part, static_cast<double>(s.values.time),
                static_cast<double>(s.values.var), s.values.overlay, s.values.greet, s.fps, tail);
}
