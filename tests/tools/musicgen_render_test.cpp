#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#include "tools/musicgen/mp3_writer.h"
#include "tools/musicgen/sequencer.h"

namespace {
float peak_of(const float* s, size_t n) {
  float p = 0;
  for (size_t i = 0; i < n; i++) p = std::max(p, std::fabs(s[i]));
  return p;
}

}  // namespace

TEST(MusicgenRender, SameSamplesEveryRunPeakBelowTheCeiling) {
  std::string path = testing::TempDir() + std::to_string(getpid()) + "_kolv_render_test.txt";
  std::ofstream(path) << "tempo 120\nbars 2\n"
                         "instrument kick kick\ninstrument hat hat\ninstrument lead lead echo=0.5 reverb=0.5\n"
                         "pattern beat\nX . . . x . . . X . . . x . . .\nend\n"
                         "pattern tune\nA4 - C5 - E5 - - - . . G4 - - - - -\nend\n"
                         "play 0-1 kick beat\nplay 0-1 hat beat\nplay 0-1 lead tune\n"
                         "master 1 1>0\n";
  Song song;
  bool loaded = song_load(path.c_str(), &song);
  std::remove(path.c_str());
  ASSERT_TRUE(loaded);
  std::vector<float> a = song_render(song), b = song_render(song);
  ASSERT_EQ(a.size(), static_cast<size_t>(2 * song_frames(song)));
  EXPECT_EQ(a, b);
  EXPECT_LE(peak_of(a.data(), a.size()), SONG_PEAK);
  EXPECT_GT(peak_of(a.data(), a.size()), SONG_PEAK * 0.9f);
  // The master fade over the second bar ends in silence.
  EXPECT_LT(peak_of(a.data() + a.size() - 200, 200), 5e-3f);
  for (float v : a) ASSERT_TRUE(std::isfinite(v));
}

TEST(MusicgenRender, UnwritableOutputIsReported) {
  float silence[2 * 1152] = {};
  testing::internal::CaptureStderr();
  EXPECT_FALSE(mp3_write("no/such/dir/out.mp3", silence, 1152, 192));
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("no/such/dir/out.mp3"), std::string::npos) << err;
}
