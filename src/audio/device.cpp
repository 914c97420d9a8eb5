#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "audio/decoder.h"
#include "audio/device.h"

namespace {
constexpr int HISTORY = 8192;  // mono samples kept for the spectrum; a power of two
// 1764 frames are exactly 40 ms: the silent driver sleeps whole milliseconds
// per buffer, so an exact period keeps its clock on real time.
constexpr int BUFFER_FRAMES = 1764;
constexpr int MAX_CATCH_UP = 8;  // buffers made up at once when the silent driver lags

SDL_AudioDeviceID device;
bool on_silent_driver;
int buffer_frames;
uint64_t ticks_per_second;

// Shared with the callback thread (guarded by the device lock).
mpg123_handle* source_mp3;
openmpt_module* source_mod;
int64_t music_frame;        // next music frame to decode
int64_t frames_since_seek;  // frames delivered since music_frame was set
bool ended;
bool detached;
int64_t delivered;          // frames handed to the device since it opened
uint64_t last_callback_tick;
uint64_t last_seek_tick;
uint64_t first_callback_tick;
float history[HISTORY];
float scratch[BUFFER_FRAMES * 2];

int decode(float* stereo, int frames) {
  int got = 0;
  if (!ended && !detached) {
    if (source_mp3)
      got = mp3_read(source_mp3, stereo, frames);
    else if (source_mod)
      got = mod_read(source_mod, stereo, frames);
    if ((source_mp3 || source_mod) && got < frames) ended = true;
  }
  std::fill(stereo + 2 * got, stereo + 2 * frames, 0.0f);
  music_frame += got;
  frames_since_seek += frames;
  for (int i = 0; i < frames; i++)
    history[(delivered + i) & (HISTORY - 1)] = (stereo[2 * i] + stereo[2 * i + 1]) * 0.5f;
  delivered += frames;
  return got;
}

void fill(void*, Uint8* out, int len) {
  uint64_t now = SDL_GetPerformanceCounter();
  if (delivered == 0) first_callback_tick = now;
  if (on_silent_driver) {
    // Nobody hears this device: decode whatever real time demands beyond
    // one buffer, so the music clock never falls behind a loaded machine.
    int64_t due = static_cast<int64_t>((now - first_callback_tick) * MUSIC_RATE / ticks_per_second);
    for (int n = 0; n < MAX_CATCH_UP && due - delivered > buffer_frames; n++)
      decode(scratch, BUFFER_FRAMES);
  }
  decode(reinterpret_cast<float*>(out), len / static_cast<int>(2 * sizeof(float)));
  last_callback_tick = SDL_GetPerformanceCounter();
}

bool open_on(const char* driver) {
  if (driver) SDL_SetHint(SDL_HINT_AUDIODRIVER, driver);
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec want{};
  SDL_AudioSpec have{};
  want.freq = MUSIC_RATE;
  want.format = AUDIO_F32SYS;
  want.channels = 2;
  want.samples = BUFFER_FRAMES;
  want.callback = fill;
  device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (device == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  buffer_frames = have.samples;
  const char* name = SDL_GetCurrentAudioDriver();
  on_silent_driver = name && std::strcmp(name, "dummy") == 0;
  return true;
}
}  // namespace

bool dev_open(bool silent) {
  if (device) return true;
  ticks_per_second = SDL_GetPerformanceFrequency();
  // The terminal layer owns SIGINT and SIGTERM (it restores the screen).
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  const bool found = !silent && open_on(nullptr);
  if (!found && !open_on("dummy")) return false;
  // Held after the library's own lines about the search, which it replaces.
  if (!silent && !found) std::fprintf(stderr, "%s\n", MSG_NO_SOUND_DEVICE);
  last_callback_tick = SDL_GetPerformanceCounter();  // the clock starts with the device
  SDL_PauseAudioDevice(device, 0);
  return true;
}

// Without a device (the music followed the clock from the start) there is
// no other thread to keep out.
void dev_lock() {
  if (device) SDL_LockAudioDevice(device);
}

void dev_unlock() {
  if (device) SDL_UnlockAudioDevice(device);
}

void dev_set_source(mpg123_handle* mp3, openmpt_module* mod) {
  source_mp3 = mp3;
  source_mod = mod;
}

void dev_set_music_frame(int64_t frame) {
  last_seek_tick = SDL_GetPerformanceCounter();
  music_frame = frame;
  frames_since_seek = 0;
  ended = false;
}

void dev_set_ended(int64_t end_frame) {
  music_frame = end_frame;
  ended = true;
}

void dev_detach(bool on) {
  dev_lock();
  detached = on;
  dev_unlock();
}

void dev_clear_history() { std::fill(history, history + HISTORY, 0.0f); }

// Frames handed over but not yet heard: one device buffer, less the time
// since the last callback. The silent driver keeps no hardware pace, so
// there the clock runs on past a late callback (negative: frames owed).
static int64_t frames_queued(uint64_t since) {
  uint64_t elapsed = SDL_GetPerformanceCounter() - since;
  int64_t played = static_cast<int64_t>(elapsed * MUSIC_RATE / ticks_per_second);
  int64_t most = on_silent_driver ? int64_t{MAX_CATCH_UP} * buffer_frames : buffer_frames;
  return buffer_frames - std::min(played, most);
}

int64_t dev_heard_frame() {
  if (!device || !(source_mp3 || source_mod)) return 0;
  dev_lock();
  int64_t frame = music_frame;
  // Time owed to a late callback counts only from the last seek.
  uint64_t since = std::max(last_callback_tick, last_seek_tick);
  if (!ended) frame -= std::min(frames_since_seek, frames_queued(since));
  dev_unlock();
  return std::max<int64_t>(frame, 0);
}

void dev_heard_window(float* mono) {
  if (!device) {
    std::fill(mono, mono + MUSIC_FFT_SIZE, 0.0f);
    return;
  }
  dev_lock();
  int64_t end = delivered - std::max<int64_t>(frames_queued(last_callback_tick), 0);
  for (int i = 0; i < MUSIC_FFT_SIZE; i++) {
    int64_t at = end - MUSIC_FFT_SIZE + i;
    mono[i] = at < 0 ? 0.0f : history[at & (HISTORY - 1)];
  }
  dev_unlock();
}
