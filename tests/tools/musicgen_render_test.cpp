#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#include "audio/spectrum.h"
#include "musicgen/effects.h"
#include "musicgen/mp3_writer.h"
#include "musicgen/sequencer.h"

namespace {
float peak_of(const std::vector<float>& s) {
  float p = 0;
  for (float v : s) p = std::max(p, std::fabs(v));
  return p;
}

float rms_of(const float* s, size_t n) {
  double sum = 0;
  for (size_t i = 0; i < n; i++) sum += double{s[i]} * s[i];
  return static_cast<float>(std::sqrt(sum / n));
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
  EXPECT_LE(peak_of(a), SONG_PEAK);
  EXPECT_GT(peak_of(a), SONG_PEAK * 0.9f);
  // The master fade over the second bar ends in silence.
  EXPECT_LT(rms_of(a.data() + a.size() - 200, 200), 1e-3f);
  for (float v : a) ASSERT_TRUE(std::isfinite(v));
}

// The second drop's anthem is what scene 4 follows: its note must stand out
// as one strong, steady partial, spread wide in stereo but whole in mono.
TEST(MusicgenRender, SupersawHoldsItsNoteAsOneStrongPartial) {
  Instrument ins;
  ins.voice = Voice::Supersaw;
  ins.cutoff = 1800.0f;
  NoteEvent note;
  note.length = SYNTH_RATE;
  note.notes[0] = song_note("C5");
  note.count = 1;
  std::vector<float> s(2 * 2 * SYNTH_RATE);
  voice_render(ins, note, s.data(), 2 * SYNTH_RATE);
  float mono[MUSIC_FFT_SIZE], bins[MUSIC_BINS];
  float side = 0;
  for (int at : {SYNTH_RATE / 4, SYNTH_RATE / 2, 3 * SYNTH_RATE / 4}) {
    for (int i = 0; i < MUSIC_FFT_SIZE; i++) {
      mono[i] = (s[2 * (at + i)] + s[2 * (at + i) + 1]) * 0.5f;
      side = std::max(side, std::fabs(s[2 * (at + i)] - s[2 * (at + i) + 1]));
    }
    spectrum_compute(mono, bins);
    EXPECT_EQ(std::max_element(bins + 1, bins + MUSIC_BINS) - bins, 12) << at;  // 523 Hz
    EXPECT_GT(bins[12], 0.4f) << at;
    EXPECT_LT(bins[24], 0.35f * bins[12]) << at;  // the saws colour it, the note leads
  }
  EXPECT_GT(side, 0.02f);
  // Released, it dies away within its tail.
  EXPECT_LT(rms_of(s.data() + 2 * (SYNTH_RATE + voice_tail(Voice::Supersaw) - 400), 800), 1e-3f);
}

TEST(MusicgenRender, LimiterHoldsTheCeilingAndLeavesQuietPartsAlone) {
  const int frames = SYNTH_RATE;
  std::vector<float> s(2 * frames);
  for (int f = 0; f < frames; f++) s[2 * f] = s[2 * f + 1] = 0.3f * static_cast<float>(std::sin(f * 0.05));
  for (int f = 20000; f < 20050; f++) s[2 * f] = 2.5f;  // a loud transient on the left only
  std::vector<float> before = s;
  fx_limit(s.data(), frames, 0.8f);
  EXPECT_LE(peak_of(s), 0.8f);
  EXPECT_NEAR(s[2 * 20010], 0.8f, 0.01f);  // the transient is brought to the ceiling, not below
  for (int f = 0; f < 19700; f++) ASSERT_EQ(s[2 * f], before[2 * f]) << f;  // untouched well before
  EXPECT_NEAR(s[2 * 40000 + 1], before[2 * 40000 + 1], 0.01f);  // recovered a tenth of a second after
}

TEST(MusicgenRender, UnwritableOutputIsReported) {
  float silence[2 * 1152] = {};
  testing::internal::CaptureStderr();
  EXPECT_FALSE(mp3_write("no/such/dir/out.mp3", silence, 1152, 192));
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("no/such/dir/out.mp3"), std::string::npos) << err;
}
