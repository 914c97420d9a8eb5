#include <algorithm>

#include "audio/decoder.h"

void decode_window(mpg123_handle* mp3, openmpt_module* mod, int64_t end, float* mono) {
  static float stereo[MUSIC_FFT_SIZE * 2];
  int64_t start = std::max<int64_t>(end - MUSIC_FFT_SIZE, 0);
  int lead = static_cast<int>(std::clamp<int64_t>(start - (end - MUSIC_FFT_SIZE), 0, MUSIC_FFT_SIZE));
  int want = MUSIC_FFT_SIZE - lead;  // music frames before `end`, if any
  int got = 0;
  if (mp3 && want > 0 && mp3_seek(mp3, start)) got = mp3_read(mp3, stereo, want);
  if (mod && want > 0 && mod_seek_frame(mod, start) >= 0) got = mod_read(mod, stereo, want);
  std::fill(mono, mono + MUSIC_FFT_SIZE, 0.0f);
  for (int i = 0; i < got; i++) mono[lead + i] = (stereo[2 * i] + stereo[2 * i + 1]) * 0.5f;
}
