#include "audio/probe.h"

#include <algorithm>
#include <cstdio>

#include "audio/decoder.h"
#include "audio/music.h"
#include "audio/spectrum.h"

bool audio_probe_spectrum(const char* path, int at_ms, float* bins) {
  float mono[MUSIC_FFT_SIZE];
  int64_t end = static_cast<int64_t>(std::max(at_ms, 0)) * MUSIC_RATE / 1000;
  if (music_is_mp3(path)) {
    mpg123_handle* mp3 = mp3_open(path);
    if (!mp3) return false;
    decode_window(mp3, nullptr, end, mono);
    mp3_close(mp3);
  } else {
    openmpt_module* mod = mod_open(path);
    if (!mod) return false;
    decode_window(nullptr, mod, end, mono);
    mod_close(mod);
  }
  spectrum_compute(mono, bins);
  return true;
}

bool audio_probe(const char* path, int at_ms) {
  float bins[MUSIC_BINS];
  if (!audio_probe_spectrum(path, at_ms, bins)) return false;
  int peak = static_cast<int>(std::max_element(bins + 1, bins + MUSIC_BINS) - bins);  // bin 0 is DC
  const double hz_per_bin = static_cast<double>(MUSIC_RATE) / MUSIC_FFT_SIZE;
  std::printf("loudest %.1f Hz level %.4f at %d ms\n", peak * hz_per_bin, bins[peak], at_ms);
  for (int i = 0; i < MUSIC_BINS; i++) std::printf("%d %.1f %.6f\n", i, i * hz_per_bin, bins[i]);
  return true;
}
