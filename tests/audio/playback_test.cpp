#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>
#include <tuple>

#include "audio/decoder.h"
#include "audio/music.h"
#include "audio/probe.h"
#include "audio/test_sounds.h"

namespace {
using Clock = std::chrono::steady_clock;

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

int ms_since(Clock::time_point t) {
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

bool spectrum_is_zero() {
  return std::all_of(music_spectrum, music_spectrum + MUSIC_BINS, [](float v) { return v == 0.0f; });
}

// No sound card in CI: everything runs on the silent device.
class Playback : public testing::Test {
 protected:
  static void SetUpTestSuite() { music_set_silent(true); }
  void TearDown() override { music_stop(); }
};
}  // namespace

TEST(Probe, SineReadsItsFrequencyAtAboutFullScale) {
  mpg123_handle* mp3 = mp3_open(stepped_tone_mp3().c_str());
  ASSERT_NE(mp3, nullptr);
  EXPECT_EQ(mp3_length(mp3), int64_t{STEPPED_TONE_MS} * MUSIC_RATE / 1000);  // no padding samples
  mp3_close(mp3);
  float bins[MUSIC_BINS];
  ASSERT_TRUE(audio_probe_spectrum(stepped_tone_mp3().c_str(), 5500, bins));
  int peak = loudest_bin(bins);
  EXPECT_NEAR(peak * HZ_PER_FFT_BIN, 1012.5, 22.5);
  EXPECT_NEAR(bins[peak], 1.0f, 0.2f);
  // The window ends at the asked time: just after a step it still holds the old tone.
  ASSERT_TRUE(audio_probe_spectrum(stepped_tone_mp3().c_str(), 7990, bins));
  EXPECT_NEAR(loudest_bin(bins) * HZ_PER_FFT_BIN, 1200.0, HZ_PER_FFT_BIN);
}

TEST(Probe, UnreadableFilesAreRefusedWithOneLineEach) {
  std::string garbage = testing::TempDir() + std::to_string(getpid()) + "_kolv_garbage.mp3";
  std::ofstream(garbage) << "this is not an MP3 file, nor anything else that plays\n";
  testing::internal::CaptureStderr();
  EXPECT_FALSE(audio_probe("no/such/file.mp3", 0));
  EXPECT_FALSE(audio_probe("no/such/file.xm", 0));
  EXPECT_FALSE(audio_probe(garbage.c_str(), 0));
  std::string err = testing::internal::GetCapturedStderr();
  std::remove(garbage.c_str());
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 3) << err;
  EXPECT_NE(err.find("no/such/file.mp3: file not found"), std::string::npos) << err;
  EXPECT_NE(err.find(garbage + ": not a readable MP3 file"), std::string::npos) << err;
}

// Seeks land within a frame of the asked time and what is heard follows; the
// device then plays at real speed, and stops at the music's end.
TEST_F(Playback, SeeksLandWithinTheMusicAndPlayAtRealSpeed) {
  ASSERT_EQ(music_start(stepped_tone_mp3().c_str()), 1);
  auto t0 = Clock::now();
  for (int i = 0; i < 7; i++) music_seek_forward();
  music_seek_back();
  EXPECT_NEAR(music_position_ms(), 6000 + ms_since(t0), 25);
  // A loaded machine may start the device's next callback late: wait for sound, briefly.
  sleep_ms(150);
  music_update_spectrum();
  for (int waited = 0; spectrum_is_zero() && waited < 600; waited += 50) {
    sleep_ms(50);
    music_update_spectrum();
  }
  EXPECT_NEAR(loudest_bin(music_spectrum) * HZ_PER_FFT_BIN, stepped_tone_hz(6000), HZ_PER_FFT_BIN);
  t0 = Clock::now();
  int p0 = music_position_ms();
  sleep_ms(1500);
  EXPECT_NEAR(music_position_ms() - p0, ms_since(t0), ms_since(t0) * 0.02);
  for (int i = 0; i < 11; i++) music_seek_forward();
  EXPECT_EQ(music_position_ms(), STEPPED_TONE_MS);  // past the end playback stops there
  sleep_ms(200);
  EXPECT_EQ(music_position_ms(), STEPPED_TONE_MS);
  music_update_spectrum();
  EXPECT_TRUE(spectrum_is_zero());
  music_seek_back();
  EXPECT_NEAR(music_position_ms(), STEPPED_TONE_MS - 1000, 25);
}

// Paused, the position stands and the spectrum stays that of the paused
// moment; a seek meanwhile moves where it resumes.
TEST_F(Playback, PauseHoldsThePositionUntilItResumes) {
  ASSERT_EQ(music_start(stepped_tone_mp3().c_str()), 1);
  music_seek_by_ms(5500);
  music_pause(true);
  int held = music_position_ms();
  EXPECT_NEAR(held, 5500, 25);
  sleep_ms(300);
  EXPECT_EQ(music_position_ms(), held);
  music_update_spectrum();
  EXPECT_NEAR(loudest_bin(music_spectrum) * HZ_PER_FFT_BIN, stepped_tone_hz(held), HZ_PER_FFT_BIN);
  music_seek_by_ms(-2000);
  EXPECT_EQ(music_position_ms(), held - 2000);
  music_pause(false);
  auto t0 = Clock::now();
  sleep_ms(300);
  // Plays on from there (a loaded machine may start the device late).
  int played = music_position_ms() - (held - 2000);
  EXPECT_GT(played, 0);
  EXPECT_LE(played, ms_since(t0) + 25);
}

TEST_F(Playback, RestartReleasesTheOldMusic) {
  ASSERT_EQ(music_start(four_order_mod().c_str()), 1);
  EXPECT_NE(music_song, nullptr);
  ASSERT_EQ(music_start(stepped_tone_mp3().c_str()), 1);
  EXPECT_TRUE(music_song == nullptr && music_stream != nullptr);
  // A failed start still releases what played: the show goes silent at once.
  testing::internal::CaptureStderr();
  EXPECT_EQ(music_start("no/such/song.xm"), 0);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::tuple(music_stream, music_song), std::tuple(nullptr, nullptr));
  music_update_spectrum();
  EXPECT_TRUE(spectrum_is_zero());
  music_seek_forward();  // nothing open: nothing to do
  EXPECT_EQ(music_position_ms(), 0);
}
