#include <gtest/gtest.h>

#include <algorithm>

#include "audio/music.h"
#include "common/random.h"
#include "scenes/scenes.h"
#include "scenes/spectrum_wave.h"

namespace {

// Without music started the spectrum is only what a test writes into it.
void set_spectrum(float level) { std::fill(music_spectrum, music_spectrum + MUSIC_BINS, level); }

void reset_wave(float freq, float level) { wave_freq = freq, wave_level = level; }

// The frequency factor of the band the scan chose, from a fresh wave_freq of 0.
float chosen_factor() { return 3.0f * wave_freq; }

float factor_of(int32_t hz) { return static_cast<float>(hz - 300) * 4.0f / 2700.0f + 1.0f; }

}  // namespace

TEST(SpectrumWave, BandsAreWholeRowsInColoursFromTheSharedSequence) {
  set_spectrum(0.0f);
  reset_wave(0.0f, 0.0f);
  rand_seed(2024);
  const int32_t colour = rand_next(), length = rand_next();
  rand_seed(2024);
  scene_spectrum_wave();

  // The first band: the first draw's colour, (second draw & 15) + 8 rows of three.
  const int32_t first_rows = ((length & 15) + 8) * 3;
  EXPECT_EQ(band_buffer[0], static_cast<Pixel>(colour) << 8);
  EXPECT_EQ(band_buffer[first_rows * FRAME_W - 1], band_buffer[0]);
  EXPECT_NE(band_buffer[first_rows * FRAME_W], band_buffer[0]);
  for (int32_t y = 0; y < FRAME_H; ++y) {
    const Pixel* row = band_buffer + y * FRAME_W;
    ASSERT_TRUE(std::all_of(row, row + FRAME_W, [&](Pixel p) { return p == row[0]; })) << y;
    EXPECT_EQ(row[0] & 0xFF0000FFu, 0u) << "no red, no alpha";
    EXPECT_TRUE(y % 3 == 0 || row[0] == row[-FRAME_W]) << "a band ends inside a group of three rows at " << y;
  }
}



TEST(SpectrumWave, ASteadyToneSettlesTheHeightAtTwiceItsLevel) {
  // Loud from bin 100 (about 4300 Hz) up: the lowest band lying wholly in it
  // is the one around 4800 Hz (bins 100-121).
  set_spectrum(0.0f);
  std::fill(music_spectrum + 100, music_spectrum + 127, 0.25f);
  reset_wave(0.0f, 0.0f);
  scene_spectrum_wave();
  EXPECT_NEAR(chosen_factor(), factor_of(4800), 1e-5f);
  for (int i = 0; i < 60; ++i) scene_spectrum_wave();
  EXPECT_NEAR(wave_level, 0.5f, 1e-5f);
  EXPECT_NEAR(wave_freq, factor_of(4800), 1e-4f);
  set_spectrum(0.0f);
}
