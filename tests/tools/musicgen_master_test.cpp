#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tools/musicgen/loudness.h"
#include "tools/musicgen/mastering.h"
#include "tools/musicgen/synth.h"

// A quiet tone with a full-scale click every second: raised to the target
// loudness the clicks would go far over the ceiling, so the limiter has to
// catch them, and the loudness it takes away is made up again.
TEST(MusicgenMaster, ReachesTheTargetWithPeaksUnderTheCeiling) {
  const int64_t frames = int64_t{SYNTH_RATE} * 20;
  std::vector<float> stereo(static_cast<size_t>(frames) * 2);
  for (int64_t f = 0; f < frames; ++f) {
    float v = 0.05f * static_cast<float>(std::sin(2.0 * M_PI * 1000.0 * f / SYNTH_RATE));
    if (f % SYNTH_RATE < 40) v = f % 2 ? 1.0f : -1.0f;
    stereo[2 * f] = stereo[2 * f + 1] = v;
  }
  ASSERT_TRUE(master_loudness(stereo.data(), frames));
  Loudness after{};
  ASSERT_TRUE(loudness_measure(stereo.data(), frames, SYNTH_RATE, &after));
  EXPECT_NEAR(after.integrated_lufs, MASTER_LOUDNESS_LUFS, 0.1);
  EXPECT_LE(after.true_peak_dbtp, MASTER_TRUE_PEAK_DBTP + 0.01);

  std::vector<float> silence(2 * 4410, 0.0f);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(master_loudness(silence.data(), 4410)) << "silence has no loudness to raise";
  EXPECT_NE(testing::internal::GetCapturedStderr().find("musicgen:"), std::string::npos);
}

