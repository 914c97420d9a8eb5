#include "tools/musicgen/mastering.h"

#include <cmath>
#include <cstdio>

#include "tools/musicgen/effects.h"
#include "tools/musicgen/loudness.h"
#include "tools/musicgen/synth.h"

namespace {

constexpr double TOLERANCE_LU = 0.05;
// The limiter aims this far under the ceiling: true peaks between the
// samples then settle under it instead of hovering at it.
constexpr double LIMIT_MARGIN_DB = 0.1;
// Limiting after a gain lowers the loudness a little, which the next pass
// makes up; a few passes settle it.
constexpr int MAX_PASSES = 6;

float from_db(double db) { return static_cast<float>(std::pow(10.0, db / 20.0)); }

}  // namespace

bool master_loudness(float* stereo, int64_t frames) {
  const size_t samples = static_cast<size_t>(frames) * 2;
  for (int pass = 0;; ++pass) {
    Loudness now{};
    if (!loudness_measure(stereo, frames, SYNTH_RATE, &now)) {
      std::fprintf(stderr, "musicgen: cannot measure the loudness of the mix\n");
      return false;
    }
    const double gain_db = MASTER_LOUDNESS_LUFS - now.integrated_lufs;
    const double peak_after = now.true_peak_dbtp + gain_db;
    if (std::fabs(gain_db) < TOLERANCE_LU && peak_after <= MASTER_TRUE_PEAK_DBTP) return true;
    if (pass == MAX_PASSES) {
      std::fprintf(stderr, "musicgen: the mix did not settle at %.1f LUFS (%.2f LUFS, %.2f dBTP)\n",
                   MASTER_LOUDNESS_LUFS, now.integrated_lufs, now.true_peak_dbtp);
      return false;
    }
    const float gain = from_db(gain_db);
    float sample_peak = 0.0f;
    for (size_t i = 0; i < samples; ++i) {
      stereo[i] *= gain;
      sample_peak = std::fmax(sample_peak, std::fabs(stereo[i]));
    }
    // True peaks lie between the samples: the sample ceiling goes down by
    // as much as the true peak is over its own.
    if (peak_after > MASTER_TRUE_PEAK_DBTP) {
      fx_limit(stereo, frames, sample_peak * from_db(MASTER_TRUE_PEAK_DBTP - LIMIT_MARGIN_DB - peak_after));
    }
  }
}
