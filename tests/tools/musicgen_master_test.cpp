#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include "audio/decoder.h"
#include "tools/musicgen/loudness.h"
#include "tools/musicgen/mastering.h"
#include "tools/musicgen/synth.h"
#include "runtime/demo.h"
#include "support/requirements.h"

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

// What ships is measured as a player decodes it: -14 LUFS within 1 LU, a
// true peak at or below -1 dBTP, and the builds and drops keep their range.
TEST(MusicgenMaster, ShippedSoundtrackIsMasteredToTheStandardLevel) {
  KOLV_REQUIRE_DATA();
  mpg123_handle* mp3 = mp3_open(MUSIC_PATH);
  ASSERT_NE(mp3, nullptr);
  std::vector<float> stereo(static_cast<size_t>(mp3_length(mp3)) * 2);
  const int64_t frames = mp3_read(mp3, stereo.data(), static_cast<int>(stereo.size() / 2));
  mp3_close(mp3);
  Loudness shipped{};
  ASSERT_TRUE(loudness_measure(stereo.data(), frames, MUSIC_RATE, &shipped));
  EXPECT_NEAR(shipped.integrated_lufs, -14.0, 1.0);
  EXPECT_LE(shipped.true_peak_dbtp, -1.0);
  EXPECT_GE(shipped.range_lu, 8.0);
}
