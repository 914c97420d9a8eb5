#pragma once
// The console keyboard the main loop polls: never waits. Codes follow the
// console's convention (see key_parser.h): Escape 27, arrows 224 + code,
// function keys 0 + code.

// True when a code can be read now. Reads whatever the terminal has sent.
bool key_waiting();
// The next code, or -1 when none is waiting (callers ask key_waiting first).
int key_read();
// Queues a code as if typed (scripted keys in headless runs).
void key_inject(int code);
// Where key bytes come from; standard input by default, -1 for none
// (headless runs read no keyboard).
void key_set_source(int fd);

enum class KeyWake { Timeout, Ready, Signal };
// Sleeps until a key byte or `other_fd` (-1: none) can be read, a signal
// arrives (a resize, a resume) or timeout_ms pass.
KeyWake key_wait(int timeout_ms, int other_fd);
