#include <libopenmpt/libopenmpt.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "audio/decoder.h"
#include "platform/printable.h"

openmpt_module* mod_open(const char* path) {
  std::vector<char> bytes;
  if (FILE* f = std::fopen(path, "rb")) {
    char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
  } else {
    std::fprintf(stderr, "Music:%s: file not found\n", platform_printable_text(path).c_str());
    return nullptr;
  }
  openmpt_module* mod =
      openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr,
                                         openmpt_error_func_ignore, nullptr, nullptr, nullptr, nullptr);
  if (!mod) {
    std::fprintf(stderr, "Music:%s: not a readable module\n",
                 platform_printable_text(path).c_str());
    return nullptr;
  }
  // A seek into the middle of a note still sounds it, as playing there would.
  openmpt_module_ctl_set_boolean(mod, "seek.sync_samples", 1);
  return mod;
}

void mod_close(openmpt_module* mod) { openmpt_module_destroy(mod); }

int mod_read(openmpt_module* mod, float* stereo, int frames) {
  int have = 0;
  while (have < frames) {
    size_t n = openmpt_module_read_interleaved_float_stereo(mod, MUSIC_RATE, frames - have, stereo + 2 * have);
    if (n == 0) break;
    have += static_cast<int>(n);
  }
  return have;
}

int32_t mod_order(openmpt_module* mod) { return openmpt_module_get_current_order(mod); }

int32_t mod_order_count(openmpt_module* mod) { return openmpt_module_get_num_orders(mod); }

static int64_t seconds_to_frames(double s) { return static_cast<int64_t>(std::llround(s * MUSIC_RATE)); }

int64_t mod_length(openmpt_module* mod) {
  return seconds_to_frames(openmpt_module_get_duration_seconds(mod));
}

int64_t mod_seek_order(openmpt_module* mod, int32_t order) {
  if (order < 0) order = 0;
  if (order >= mod_order_count(mod)) return -1;
  return seconds_to_frames(openmpt_module_set_position_order_row(mod, order, 0));
}

int64_t mod_seek_frame(openmpt_module* mod, int64_t frame) {
  if (frame >= mod_length(mod)) return -1;
  return seconds_to_frames(openmpt_module_set_position_seconds(mod, static_cast<double>(frame) / MUSIC_RATE));
}
