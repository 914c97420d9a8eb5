#pragma once
// The show's time grid. The frame driver turns milliseconds into rows at
// 0.004 per ms: a row is 250 ms, and at 120 BPM a beat is two rows and a
// 4/4 bar eight (2 s).
#include <cstdint>

constexpr float ROWS_PER_MS = 0.004f;
constexpr int64_t MS_PER_ROW = 250;
constexpr int64_t ROWS_PER_BEAT = 2;
constexpr int64_t BEATS_PER_BAR = 4;
constexpr int32_t MS_PER_BAR = static_cast<int32_t>(MS_PER_ROW * ROWS_PER_BEAT * BEATS_PER_BAR);
