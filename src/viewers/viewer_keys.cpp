#include <cstdio>
#include <ctime>

#include "runtime/keys.h"
#include "viewers/viewer_keys.h"

bool viewer_headless = false;

void viewer_wait_key() {
  fflush(stdout);
  if (viewer_headless) return;
  // The keyboard is only polled; sleep between polls instead of spinning.
  const timespec pause = {0, 10 * 1000 * 1000};
  while (!key_waiting()) nanosleep(&pause, nullptr);
  key_read();
}
