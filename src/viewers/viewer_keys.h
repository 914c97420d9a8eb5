#pragma once
// Keyboard waits of the viewers.

// Set by the runtime for runs without a terminal: no key is waited for, and
// the picture viewer returns after its first presented frame.
extern bool viewer_headless;

// Waits for one key press and reads it; returns at once when headless.
void viewer_wait_key();
