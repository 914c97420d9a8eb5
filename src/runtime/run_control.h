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

// Reads a key script: one "MS KEY" per line (KEY: esc, left, right or f5),
// '#' starts a comment. False with one line on stderr when it cannot.
bool run_control_load_keys(const char* path, std::vector<ScriptedKey>* keys);

void run_control_configure(const RunSettings& settings);
void run_control_viewer_begins();
void run_control_viewer_ends();
bool run_control_should_stop(int32_t t);
void run_control_frame_begins(int32_t t);
void run_control_frame_ends();
// Live and capped: sleeps until the next frame is due, handing keys that
// arrive meanwhile to `on_input` (see pacer_wait). Returns at once otherwise.
void run_control_wait_for_frame(bool (*on_input)());
// Prints the statistics if they were asked for.
void run_control_finish();
