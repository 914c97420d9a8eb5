#include "platform/frame_pacer.h"

#include "platform/clock.h"

void pacer_set_rate(FramePacer* pacer, int max_fps) {
  pacer->period_us = max_fps > 0 ? 1000000 / max_fps : 0;
  pacer->started = false;
}

void pacer_wait(FramePacer* pacer, const PaceClock& clock, bool (*on_input)()) {
  if (pacer->period_us == 0) return;
  const int64_t now = clock.now_us();
  // Counting from the last due time, not from now, keeps the rate exact
  // whatever each frame took to draw.
  pacer->due_us = pacer->started ? pacer->due_us + pacer->period_us : now + pacer->period_us;
  pacer->started = true;
  if (pacer->due_us < now) pacer->due_us = now;  // late, or the clock leapt ahead
  if (pacer->due_us > now + pacer->period_us) pacer->due_us = now + pacer->period_us;  // leapt back
  for (;;) {
    Wake wake = clock.wait_until(pacer->due_us, on_input != nullptr);
    if (wake != Wake::Input) return;
    if (on_input()) return;
  }
}

namespace {
FramePacer run_pacer{};
}  // namespace

void frame_pace_set_rate(int max_fps) { pacer_set_rate(&run_pacer, max_fps); }

void frame_pace_wait(bool (*on_input)()) {
  static const PaceClock real{clock_real_us, [](int64_t deadline_us, bool keys) {
                                return key_wait_until(deadline_us, keys);
                              }};
  pacer_wait(&run_pacer, real, on_input);
}
