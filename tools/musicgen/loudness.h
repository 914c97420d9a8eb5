#pragma once
// EBU R128 measurements of interleaved float stereo (libebur128).
#include <cstdint>

struct Loudness {
  double integrated_lufs;
  double true_peak_dbtp;  // the louder channel
  double range_lu;
};

// False when the measurement cannot be made (no memory, no audio).
bool loudness_measure(const float* stereo, int64_t frames, int rate, Loudness* out);
