#include "audio/music.h"

#include <algorithm>
#include <cstring>

#include "audio/decoder.h"
#include "audio/device.h"
#include "audio/spectrum.h"

int music_ready;
openmpt_module* music_song;
mpg123_handle* music_stream;
float music_spectrum[MUSIC_BINS];

namespace {
bool silent;
bool following;
int64_t follow_ms;  // demo time the music is at while following the clock
bool paused;
int64_t paused_frame;  // where a paused song resumes

int64_t length_frames() {
  if (music_song) return mod_length(music_song);
  if (music_stream) return mp3_length(music_stream);
  return 0;
}

// Under the device lock: the music goes on from this frame, or ends at -1.
void place(int64_t frame) {
  if (following)
    follow_ms = (frame < 0 ? length_frames() : frame) * 1000 / MUSIC_RATE;
  else if (frame < 0)
    dev_set_ended(length_frames());
  else
    dev_set_music_frame(frame);
}
}  // namespace

void music_set_silent(bool on) { silent = on; }

void music_follow_clock(bool on) {
  if (on == following) return;
  music_stop();
  following = on;
  dev_detach(on);
}

void music_follow(int32_t demo_ms) {
  if (following) follow_ms = demo_ms;
}

bool music_is_mp3(const char* path) {
  if (!path) return false;
  const char* dot = std::strrchr(path, '.');
  return dot && (std::strcmp(dot, ".mp3") == 0 || std::strcmp(dot, ".MP3") == 0);
}

int music_start(const char* path) {
  // Following the clock needs no device; otherwise one opens once per run
  // and a failed open is tried again by a later call.
  if (!following && !dev_open(silent)) return 0;
  music_ready = 1;
  if (music_song || music_stream) music_stop();
  if (!path) return 0;
  // Opened before taking the lock: the scan of a long file must not stall
  // the device thread.
  if (music_is_mp3(path)) {
    mpg123_handle* mp3 = mp3_open(path);
    if (!mp3) return 0;
    dev_lock();
    music_stream = mp3;
    dev_set_source(mp3, nullptr);
  } else {
    openmpt_module* mod = mod_open(path);
    if (!mod) return 0;
    dev_lock();
    music_song = mod;
    dev_set_source(nullptr, mod);
  }
  place(0);
  dev_unlock();
  return 1;
}

void music_stop() {
  if (!music_ready) return;
  if (paused) dev_detach(false);
  paused = false;
  dev_lock();
  openmpt_module* mod = music_song;
  mpg123_handle* mp3 = music_stream;
  music_song = nullptr;
  music_stream = nullptr;
  dev_set_source(nullptr, nullptr);
  place(0);
  dev_clear_history();
  dev_unlock();
  if (mod) mod_close(mod);
  if (mp3) mp3_close(mp3);
}

int32_t music_position_ms() {
  if (paused) return static_cast<int32_t>(paused_frame * 1000 / MUSIC_RATE);
  if (!following) return static_cast<int32_t>(dev_heard_frame() * 1000 / MUSIC_RATE);
  // Before the start the music waits at 0; past the end it stays there.
  return static_cast<int32_t>(std::clamp<int64_t>(follow_ms, 0, length_frames() * 1000 / MUSIC_RATE));
}

// A module moves by whole orders (one per started second), a stream by the
// milliseconds; positions before the start play from the start, positions
// past the end end playback. Paused, only the place to resume from moves.
void music_seek_by_ms(int32_t step_ms) {
  if (paused) {
    int64_t ms = std::max<int64_t>(music_position_ms() + int64_t{step_ms}, 0);
    paused_frame = std::min(ms * MUSIC_RATE / 1000, length_frames());
  } else if (music_song) {
    int32_t orders = step_ms / 1000 + (step_ms % 1000 > 0) - (step_ms % 1000 < 0);
    dev_lock();
    // Following, the decoder is wherever the last spectrum left it.
    if (following) mod_seek_frame(music_song, follow_ms * MUSIC_RATE / 1000);
    place(mod_seek_order(music_song, mod_order(music_song) + orders));
    dev_unlock();
  } else if (music_stream) {
    int64_t ms = std::max<int64_t>(music_position_ms() + int64_t{step_ms}, 0);
    if (following) {
      follow_ms = ms;  // the spectrum seeks for itself
      return;
    }
    int64_t frame = ms * MUSIC_RATE / 1000;
    dev_lock();
    place(mp3_seek(music_stream, frame) ? frame : -1);
    dev_unlock();
  }
}

void music_seek_back() { music_seek_by_ms(-1000); }

void music_seek_forward() { music_seek_by_ms(1000); }

void music_pause(bool on) {
  // Following the clock, the music stands still with the demo time anyway.
  if (following || on == paused || !(music_stream || music_song)) return;
  if (on) {
    paused_frame = dev_heard_frame();
    dev_detach(true);
    paused = true;
    return;
  }
  paused = false;
  dev_lock();
  if (music_song) place(mod_seek_frame(music_song, paused_frame));
  else place(mp3_seek(music_stream, paused_frame) ? paused_frame : -1);
  dev_unlock();
  dev_detach(false);
}

void music_update_spectrum() {
  if (!music_ready) return;
  float mono[MUSIC_FFT_SIZE];
  if (following) {
    decode_window(music_stream, music_song, follow_ms * MUSIC_RATE / 1000, mono);
  } else if (paused) {
    // The device plays silence meanwhile; the picture keeps the paused sound.
    dev_lock();
    decode_window(music_stream, music_song, paused_frame, mono);
    dev_unlock();
  } else {
    dev_heard_window(mono);
  }
  spectrum_compute(mono, music_spectrum);
}

float music_band_level(int low_hz, int high_hz) {
  int a = low_hz / HZ_PER_BIN;
  int b = high_hz / HZ_PER_BIN;
  int n = b - a;
  if (n <= 0) n = 1;
  float sum = 0.0f;
  // Bins outside the spectrum read as silence rather than past the array.
  for (int i = a; i < b; i++)
    if (i >= 0 && i < MUSIC_BINS) sum = sum + music_spectrum[i];
  return sum / static_cast<float>(n);
}
