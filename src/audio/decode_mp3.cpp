#include <mpg123.h>

#include <cstdio>

#include "audio/decoder.h"
#include "platform/printable.h"

mpg123_handle* mp3_open(const char* path) {
  static bool library_ready = false;
  if (!library_ready) {
    mpg123_init();  // required by older libraries, harmless on newer ones
    library_ready = true;
  }
  mpg123_handle* mp3 = mpg123_new(nullptr, nullptr);
  if (!mp3) return nullptr;
  // Gapless trims encoder padding so frame positions match the source; float
  // stereo at our rate whatever the file holds (mpg123 resamples and upmixes).
  mpg123_param(mp3, MPG123_FLAGS,
               MPG123_GAPLESS | MPG123_FORCE_STEREO | MPG123_FORCE_FLOAT | MPG123_QUIET, 0);
  mpg123_param(mp3, MPG123_FORCE_RATE, MUSIC_RATE, 0);
  mpg123_format_none(mp3);
  mpg123_format(mp3, MUSIC_RATE, MPG123_STEREO, MPG123_ENC_FLOAT_32);
  long rate = 0;
  int channels = 0, encoding = 0;
  if (mpg123_open(mp3, path) != MPG123_OK) {
    std::fprintf(stderr, "Music:%s: file not found\n", platform_printable_text(path).c_str());
    mpg123_delete(mp3);
    return nullptr;
  }
  // The full scan builds the frame index that makes seeking exact.
  if (mpg123_scan(mp3) != MPG123_OK || mpg123_getformat(mp3, &rate, &channels, &encoding) != MPG123_OK ||
      rate != MUSIC_RATE || channels != 2 || encoding != MPG123_ENC_FLOAT_32 || mpg123_length(mp3) <= 0) {
    std::fprintf(stderr, "Music:%s: not a readable MP3 file\n",
                 platform_printable_text(path).c_str());
    mp3_close(mp3);
    return nullptr;
  }
  return mp3;
}

void mp3_close(mpg123_handle* mp3) {
  mpg123_close(mp3);
  mpg123_delete(mp3);
}

int mp3_read(mpg123_handle* mp3, float* stereo, int frames) {
  unsigned char* out = reinterpret_cast<unsigned char*>(stereo);
  size_t want = static_cast<size_t>(frames) * 2 * sizeof(float);
  size_t have = 0;
  while (have < want) {
    size_t done = 0;
    int err = mpg123_read(mp3, out + have, want - have, &done);
    have += done;
    if (err == MPG123_NEW_FORMAT) continue;  // the format is pinned; only the notice
    if (err != MPG123_OK) break;             // end of stream or a damaged tail
    if (done == 0) break;
  }
  return static_cast<int>(have / (2 * sizeof(float)));
}

int64_t mp3_length(mpg123_handle* mp3) { return mpg123_length(mp3); }

bool mp3_seek(mpg123_handle* mp3, int64_t frame) {
  if (frame >= mp3_length(mp3)) return false;
  return mpg123_seek(mp3, static_cast<off_t>(frame), SEEK_SET) >= 0;
}
