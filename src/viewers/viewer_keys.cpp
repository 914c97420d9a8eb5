#include <cstdio>

#include "runtime/keys.h"
#include "viewers/viewer_keys.h"

bool viewer_headless = false;

void viewer_wait_key() {
  fflush(stdout);
  if (viewer_headless) return;
  while (key_wait_until(-1, true) != Wake::Input) {
  }
  key_read();
}
