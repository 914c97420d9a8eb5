#pragma once
// The console keyboard the main loop polls, and the one place the program
// sleeps while live. Codes follow the console's convention (see
// key_parser.h): Escape 27, arrows 224 + code, function keys 0 + code.
#include <cstdint>

// Why a wait ended.
enum class Wake : uint8_t { Deadline, Input, Signal };

// True when a code can be read now. Reads whatever the terminal has sent.
bool key_waiting();
// The next code, or -1 when none is waiting (callers ask key_waiting first).
int key_read();
// Queues a code as if typed (scripted keys in headless runs).
void key_inject(int code);
// Where key bytes come from; standard input by default, -1 for none
// (headless runs read no keyboard).
void key_set_source(int fd);

// Sleeps until the monotonic time `deadline_us` (clock_real_us; negative:
// no deadline), a key code is ready (when `keys` is set: otherwise typed
// bytes stay with the terminal for later), `watch_fd` (-1: none) can be
// read, or a signal arrived (a resize, a resume), whichever comes first.
Wake key_wait_until(int64_t deadline_us, bool keys, int watch_fd = -1);
