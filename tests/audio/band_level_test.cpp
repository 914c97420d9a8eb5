#include <gtest/gtest.h>

#include <numeric>

#include "audio/music.h"

TEST(MusicIsMp3, OnlyExactLowerOrUpperExtension) {
  for (const char* yes : {"data/KOLV Zeveviz 2014 test 5.mp3", "SONG.MP3", "a.b.mp3"}) EXPECT_TRUE(music_is_mp3(yes)) << yes;
  for (const char* no : {"song.Mp3", "song.xm", "song", "song.mp3.xm", "song.mp3 ", ""}) EXPECT_FALSE(music_is_mp3(no)) << no;
  EXPECT_FALSE(music_is_mp3(nullptr));
}

TEST(BandLevel, MeanOverIntegerBinBoundsWithinTheSpectrum) {
  std::iota(music_spectrum, music_spectrum + MUSIC_BINS, 0.0f);  // bin i holds i
  EXPECT_EQ(music_band_level(0, 42), 0.0f);      // a = b = 0: no bin
  EXPECT_EQ(music_band_level(43, 86), 1.0f);     // bin 1 alone
  EXPECT_EQ(music_band_level(42, 86), 0.5f);     // bins 0 and 1
  EXPECT_EQ(music_band_level(4500, 5500), (104.0f + 126.0f) / 2.0f);  // the top band scene 4 reads
  EXPECT_EQ(music_band_level(1000, 500), 0.0f);  // reversed
  // 21973 Hz is bin 511, the last one; asking for more must not read past it.
  EXPECT_EQ(music_band_level(21973, 22016 + 43 * 100), 511.0f / 101.0f);
  EXPECT_EQ(music_band_level(-43 * 4, 86), 1.0f / 6.0f);
}
