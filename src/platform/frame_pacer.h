#pragma once
// The live frame-rate cap: when the next frame is due, and the sleep until
// then that still hands over every key as it arrives. The animation follows
// the clock, so the cap changes how often a frame is drawn, never what a
// frame at a given time looks like.
#include <cstdint>

#include "platform/keys.h"

// Where the pacer reads the time and how it sleeps; live runs use the
// monotonic clock and key_wait_until, tests a clock of their own.
struct PaceClock {
  int64_t (*now_us)();
  Wake (*wait_until)(int64_t deadline_us, bool keys);
};

struct FramePacer {
  int64_t period_us;  // 0: uncapped
  int64_t due_us;     // when the next frame may start
  bool started;
};

// Frames a second, 0 for no cap; the next frame is due at once.
void pacer_set_rate(FramePacer* pacer, int max_fps);

// Called when a frame is done: sleeps until the next one is due. Keys that
// arrive meanwhile go to `on_input` (one call per sequence) as they come,
// and a true result ends the sleep at once (Escape); without `on_input`
// typed keys wait for later. A signal (resize, resume) ends the sleep too,
// so its redraw comes at once. Late frames build no debt of quick ones, and
// a clock that jumps back costs at most one frame period.
void pacer_wait(FramePacer* pacer, const PaceClock& clock, bool (*on_input)());

// The run's own pacer on the real clock: the show, the test card and the
// GML replay draw at this rate (0: uncapped, the headless runs).
void frame_pace_set_rate(int max_fps);
void frame_pace_wait(bool (*on_input)());
