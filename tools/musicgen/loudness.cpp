#include "tools/musicgen/loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>

bool loudness_measure(const float* stereo, int64_t frames, int rate, Loudness* out) {
  ebur128_state* state =
      ebur128_init(2, static_cast<unsigned long>(rate), EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_TRUE_PEAK);
  if (state == nullptr) return false;
  bool ok = ebur128_add_frames_float(state, stereo, static_cast<size_t>(frames)) == EBUR128_SUCCESS;
  double peak = 0.0;
  for (unsigned channel = 0; ok && channel < 2; ++channel) {
    double channel_peak = 0.0;
    ok = ebur128_true_peak(state, channel, &channel_peak) == EBUR128_SUCCESS;
    peak = std::max(peak, channel_peak);
  }
  ok = ok && ebur128_loudness_global(state, &out->integrated_lufs) == EBUR128_SUCCESS &&
       ebur128_loudness_range(state, &out->range_lu) == EBUR128_SUCCESS && std::isfinite(out->integrated_lufs);
  out->true_peak_dbtp = 20.0 * std::log10(peak);
  ebur128_destroy(&state);
  return ok;
}
