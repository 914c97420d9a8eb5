#pragma once
// What a run does around each frame beyond the show itself: headless limits,
// scripted keys, frame statistics and the live frame-rate cap.
#include <cstdint>
#include <string>
#include <vector>

struct ScriptedKey {
  int32_t at_ms;     // demo time at which the key is pressed
  int codes[2];      // console key codes; codes[1] < 0 when there is one
};

struct RunSettings {
  bool headless = false;
  int32_t until_ms = -1;  // -1 = run to the end of the schedule
  bool stats = false;
  int max_fps = 60;       // live runs; 0 = uncapped
  std::vector<ScriptedKey> keys;
};

// A headless run that never reaches the end of its schedule stops here.
constexpr int32_t HEADLESS_SAFETY_LIMIT_MS = 20 * 60 * 1000;

// Reads a key script: one "MS KEY" per line (KEY: a name of the key table,
// such as esc, left, space or tab), '#' starts a comment. False with one
// line on stderr when it cannot.
bool run_control_load_keys(const char* path, std::vector<ScriptedKey>* keys);

void run_control_configure(const RunSettings& settings);
void run_control_viewer_begins();
void run_control_viewer_ends();
bool run_control_should_stop(int32_t t);
void run_control_frame_begins(int32_t t);
void run_control_frame_ends();
// Queues the scripted keys due by time t (frame_begins does it for frames).
void run_control_inject_keys(int32_t t);
// A paused show between frames: headless, the virtual clock moves on; live,
// sleeps until a key, watch_fd (-1: none), a signal or a short timeout. True
// when a signal came (the screen may need drawing again).
bool run_control_idle(int watch_fd);
// Demo time at which the tracks end the show (0 when they never do).
int32_t run_control_schedule_end_ms();
// Prints the statistics if they were asked for.
void run_control_finish();
