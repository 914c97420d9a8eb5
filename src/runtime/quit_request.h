#pragma once
// The show's quit flag: set by Escape, by the end of the schedule or by a
// recording that fails; the loop ends before the next frame.
#include <cstdint>

extern int32_t quit_requested;
