#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

#include "audio/decoder.h"
#include "audio/music.h"
#include "audio/probe.h"
#include "audio/test_sounds.h"

namespace {
float loudest_level() { return *std::max_element(music_spectrum, music_spectrum + MUSIC_BINS); }

// Headless runs: the music is wherever the demo clock says.
class Following : public testing::Test {
 protected:
  void SetUp() override {
    music_set_silent(true);
    music_follow_clock(true);
  }
  void TearDown() override { music_follow_clock(false); }
};
}  // namespace

TEST_F(Following, SpectrumIsTheMusicAtTheDemoTime) {
  ASSERT_EQ(music_start(stepped_tone_mp3().c_str()), 1);
  music_follow(5500);
  music_update_spectrum();
  // Exactly what the probe reads there (the 1000 Hz tone), every time it is asked.
  float probe[MUSIC_BINS];
  ASSERT_TRUE(audio_probe_spectrum(stepped_tone_mp3().c_str(), 5500, probe));
  EXPECT_TRUE(std::equal(probe, probe + MUSIC_BINS, music_spectrum));
  music_follow(2300);
  music_update_spectrum();
  EXPECT_NEAR(loudest_bin(music_spectrum) * HZ_PER_FFT_BIN, stepped_tone_hz(2300), HZ_PER_FFT_BIN);
}

TEST_F(Following, SilentBeforeTheStartAndAfterTheEnd) {
  ASSERT_EQ(music_start(stepped_tone_mp3().c_str()), 1);
  music_follow(-40);
  music_update_spectrum();
  EXPECT_EQ(loudest_level(), 0.0f);
  EXPECT_EQ(music_position_ms(), 0);
  // The window of 23 ms that ends here lies wholly past the 10 s of music.
  music_follow(STEPPED_TONE_MS + 30);
  music_update_spectrum();
  EXPECT_EQ(loudest_level(), 0.0f);
  EXPECT_EQ(music_position_ms(), STEPPED_TONE_MS);
  // Half a window of tone still sounds just after the end.
  music_follow(STEPPED_TONE_MS + 12);
  music_update_spectrum();
  EXPECT_GT(loudest_level(), 0.2f);
}

TEST_F(Following, PositionStandsStillBetweenFramesAndSeeksLikePlayback) {
  ASSERT_EQ(music_start(stepped_tone_mp3().c_str()), 1);
  music_follow(4500);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(music_position_ms(), 4500);  // no device moves it on
  music_seek_forward();
  EXPECT_EQ(music_position_ms(), 5500);
  music_seek_back();
  music_seek_back();
  EXPECT_EQ(music_position_ms(), 3500);
  music_follow(300);
  music_seek_back();
  EXPECT_EQ(music_position_ms(), 0);
}

// A module moves by whole orders and stays within the song at both ends.
TEST_F(Following, ModuleFollowsAndSeeksByOrders) {
  ASSERT_EQ(music_start(four_order_mod().c_str()), 1);
  music_follow(7680 + 3000);  // inside the second order
  music_update_spectrum();
  EXPECT_GT(loudest_level(), 0.05f);
  music_seek_forward();
  EXPECT_EQ(std::pair(music_position_ms(), mod_order(music_song)), std::pair(2 * 7680, 2));
  for (int i = 0; i < 3; i++) music_seek_back();
  EXPECT_EQ(std::pair(music_position_ms(), mod_order(music_song)), std::pair(0, 0));
  for (int i = 0; i < 4; i++) music_seek_forward();
  EXPECT_EQ(music_position_ms(), 4 * 7680);  // the end: 64 rows x 6 ticks at 125 BPM per order
}

TEST_F(Following, SwitchingBackPlaysOnTheDeviceAgain) {
  ASSERT_EQ(music_start(stepped_tone_mp3().c_str()), 1);
  music_follow(6000);
  music_follow_clock(false);
  EXPECT_EQ(music_stream, nullptr);  // switching released the music
  ASSERT_EQ(music_start(stepped_tone_mp3().c_str()), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_GT(music_position_ms(), 150);
  music_follow(6000);  // ignored: the device sets the position
  EXPECT_LT(music_position_ms(), 1000);
  music_update_spectrum();
  EXPECT_NEAR(loudest_bin(music_spectrum) * HZ_PER_FFT_BIN, stepped_tone_hz(0), HZ_PER_FFT_BIN);
}
