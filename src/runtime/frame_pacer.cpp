#include "runtime/frame_pacer.h"

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
