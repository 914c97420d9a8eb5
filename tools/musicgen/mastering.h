#pragma once
// The last step before encoding: the whole mix gained to the loudness music
// services play at, its true peak kept under the ceiling by the limiter.
// Gain alone leaves the builds and drops their range.
#include <cstdint>

constexpr double MASTER_LOUDNESS_LUFS = -14.0;
// Half a decibel under the -1 dBTP that is asked of a master: the MP3
// encoder's own overshoot stays under it too.
constexpr double MASTER_TRUE_PEAK_DBTP = -1.5;

// False (after one line on stderr) when the loudness cannot be measured.
bool master_loudness(float* stereo, int64_t frames);
