#include "runtime/run_control.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "audio/music.h"
#include "display/console.h"
#include "platform/clock.h"
#include "platform/frame_pacer.h"
#include "platform/key_table.h"
#include "platform/keys.h"
#include "platform/printable.h"
#include "runtime/capture.h"
#include "runtime/cast.h"
#include "runtime/frame_driver.h"
#include "runtime/headless.h"
#include "runtime/quit_request.h"
#include "runtime/show_tracks.h"
#include "runtime/stats.h"
#include "sync/track.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

RunSettings settings;
size_t next_key = 0;
bool warned_limit = false;
SteadyClock::time_point run_started;
SteadyClock::time_point frame_started;
int32_t frame_demo_ms = 0;
bool in_show_frame = false;  // between frame_begins and frame_ends
bool cast_started = false;
bool capture_length_set = false;
uint32_t cast_start_ms = 0;

uint32_t micros_between(SteadyClock::time_point a, SteadyClock::time_point b) {
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::microseconds>(b - a).count());
}

}  // namespace

// Where the schedule ends: the first scene key of -1 where the part is -1 too.
int32_t run_control_schedule_end_ms() {
  if (scene_track == nullptr) return 0;
  for (int32_t i = 0; i < scene_track->count; ++i) {
    const Keyframe& key = scene_track->keys[i];
    if (static_cast<int32_t>(key.value) == SCENE_END &&
        static_cast<int32_t>(track_value(part_track, key.row)) == -1) {
      double ms = key.row / static_cast<double>(ROWS_PER_MS);
      return ms < HEADLESS_SAFETY_LIMIT_MS ? static_cast<int32_t>(ms) : HEADLESS_SAFETY_LIMIT_MS;
    }
  }
  return 0;
}

namespace {

// Recordings see every presented frame before the headless clock moves on,
// so a frame is stamped with the time it was drawn at.
void on_present(const Pixel* frame, const ConsoleCell* cells) {
  if (cast_is_open()) {
    uint32_t now = clock_ms();
    if (!cast_started) cast_start_ms = now;
    cast_started = true;
    cast_frame(cells, con_layout(), now - cast_start_ms);
  }
  // Only the show's own frames: the soundtrack is muxed from its start. The
  // video is the console as designed, whatever grid the terminal has.
  if (capture_is_active() && in_show_frame && headless_phase() == ShowPhase::Show &&
      !capture_frame(con_console_cells(frame, cells), frame_demo_ms)) {
    quit_requested = 1;
  }
  if (settings.headless) headless_present(frame, cells);
}

}  // namespace

bool run_control_load_keys(const char* path, std::vector<ScriptedKey>* keys) {
  std::FILE* f = std::fopen(path, "r");
  if (f == nullptr) {
    std::fprintf(stderr, "%s: cannot open the key script\n", platform_printable_text(path).c_str());
    return false;
  }
  char line[256];
  int number = 0;
  bool ok = true;
  while (ok && std::fgets(line, sizeof line, f)) {
    ++number;
    if (char* hash = std::strchr(line, '#')) *hash = '\0';
    long ms = 0;
    char name[16] = {};
    char extra[2] = {};
    int fields = std::sscanf(line, "%ld %15s %1s", &ms, name, extra);
    if (fields <= 0) continue;  // blank or comment
    ScriptedKey key{};
    const KeyBinding* binding = fields == 2 ? key_binding_named(name) : nullptr;
    if (binding == nullptr || ms < 0 || ms > INT32_MAX) {
      std::fprintf(stderr, "%s:%d: expected 'MS KEY' with KEY one of %s\n",
                   platform_printable_text(path).c_str(), number, key_binding_names());
      ok = false;
      break;
    }
    if (!keys->empty() && ms < keys->back().at_ms) {
      std::fprintf(stderr, "%s:%d: times must not go backwards\n",
                   platform_printable_text(path).c_str(), number);
      ok = false;
      break;
    }
    key.codes[0] = binding->first;
    key.codes[1] = binding->second;
    key.at_ms = static_cast<int32_t>(ms);
    keys->push_back(key);
  }
  std::fclose(f);
  if (!ok) keys->clear();
  return ok;
}

void run_control_configure(const RunSettings& new_settings) {
  settings = new_settings;
  next_key = 0;
  run_started = SteadyClock::now();
  cast_started = false;
  capture_length_set = false;
  frame_pace_set_rate(settings.headless ? 0 : settings.max_fps);
  if (settings.stats) stats_begin(1u << 20);
  con_set_present_hook(on_present);
}

void run_control_viewer_begins() { headless_set_phase(ShowPhase::Viewer); }

void run_control_viewer_ends() {
  headless_finish_viewer();
  headless_set_phase(ShowPhase::Show);
}

bool run_control_should_stop(int32_t t) {
  // --until cuts a live run short too (rehearsals, terminal tests).
  if (settings.until_ms >= 0) return t >= settings.until_ms;
  if (!settings.headless) return false;
  if (t >= HEADLESS_SAFETY_LIMIT_MS) {
    if (!warned_limit) {
      std::fprintf(stderr, "kolv17: the schedule did not end within %d minutes; stopping\n",
                   HEADLESS_SAFETY_LIMIT_MS / 60000);
      warned_limit = true;
    }
    return true;
  }
  return false;
}

void run_control_frame_begins(int32_t t) {
  headless_frame_begins(t);
  if (settings.headless) music_follow(t);
  if (capture_is_active() && !capture_length_set) {
    capture_set_length(settings.until_ms >= 0 ? settings.until_ms : run_control_schedule_end_ms());
    capture_length_set = true;
  }
  frame_demo_ms = t;
  in_show_frame = true;
  run_control_inject_keys(t);
  frame_started = SteadyClock::now();
}

void run_control_inject_keys(int32_t t) {
  // Scripted keys go into the same queue the terminal feeds, so they are
  // handled exactly like typed ones.
  while (next_key < settings.keys.size() && settings.keys[next_key].at_ms <= t) {
    const ScriptedKey& key = settings.keys[next_key++];
    key_inject(key.codes[0]);
    if (key.codes[1] >= 0) key_inject(key.codes[1]);
  }
}

bool run_control_idle(int watch_fd) {
  if (settings.headless) {
    clock_advance_frame();  // virtual time passes without a frame
    return false;
  }
  // Keys and saves wake it; the timeout only keeps the loop's checks going.
  constexpr int64_t IDLE_US = 250000;
  return key_wait_until(clock_real_us() + IDLE_US, true, watch_fd) == Wake::Signal;
}

void run_control_frame_ends() {
  headless_frame_ends();
  in_show_frame = false;
  if (settings.stats) {
    const ConsoleFrameStats& c = con_frame_stats();
    uint32_t total = micros_between(frame_started, SteadyClock::now());
    uint32_t console = c.convert_us + c.encode_us + c.write_us;
    FrameSample sample{};
    sample.scene = static_cast<int8_t>(demo_frame_values().scene);
    sample.draw_us = total > console ? total - console : 0;
    sample.convert_us = c.convert_us;
    sample.encode_us = c.encode_us;
    sample.write_us = c.write_us;
    sample.bytes = c.bytes;
    sample.elided = static_cast<uint16_t>(c.cells_elided);
    sample.cells = static_cast<uint16_t>(con_grid().cols * con_grid().rows);
    stats_record(sample);
  }
}

void run_control_finish() {
  if (!settings.stats) return;
  double seconds = std::chrono::duration<double>(SteadyClock::now() - run_started).count();
  stats_print(stdout, seconds);
}
