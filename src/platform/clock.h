#pragma once
// The demo clock: milliseconds as an unsigned 32-bit count that wraps, like
// the tick counter the timeline was made against. Headless runs switch it to
// a virtual clock that moves only when a frame is presented, so renders are
// the same on every machine.
#include <cstdint>

uint32_t clock_ms();

// Real monotonic milliseconds, unaffected by the virtual mode (key timeouts).
uint32_t clock_real_ms();
// The same clock in microseconds, never wrapping (frame pacing).
int64_t clock_real_us();

// From now on clock_ms() starts at 0 and advances ms_per_frame per frame.
void clock_use_virtual(double ms_per_frame);
void clock_advance_frame();
