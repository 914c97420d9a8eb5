#pragma once
// The status line's text (Tab): where the show is and what the tracks say
// there, for people making shows.
#include <cstddef>
#include <cstdint>

#include "runtime/frame_driver.h"

struct ShowStatus {
  int32_t demo_ms;
  FrameValues values;
  int32_t fps;
  bool paused;
  const char* note;  // the last timeline error or note, or ""
};

// One line, e.g.
// "1:04.250 r257 33.1 scene 0 part 2 time 0.53 var 1 overlay -1 greet -1 50 fps paused".
// A note takes the place of "paused" (an error matters more). Cut to fit.
void status_text_format(const ShowStatus& status, char* out, size_t capacity);
