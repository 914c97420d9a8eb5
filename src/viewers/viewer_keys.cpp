#include <cstdio>

#include "image/draw.h"
#include "image/font.h"
#include "platform/keys.h"
#include "viewers/viewer_keys.h"

bool viewer_headless = false;

void viewer_wait_key() {
  fflush(stdout);
  if (viewer_headless) return;
  // A resize or resume while waiting shows the screen again.
  while (key_wait_until(-1, true) != Wake::Input) fb_present();
  key_read();
}

void viewer_report_and_wait(const char* message) {
  std::fputs(message, stdout);
  font_error_screen(message);
  viewer_wait_key();
}
