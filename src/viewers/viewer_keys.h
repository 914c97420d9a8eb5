#pragma once
// Keyboard waits of the viewers.

// Set by the runtime for runs without a terminal: no key is waited for, and
// the picture viewer returns after its first presented frame.
extern bool viewer_headless;

// Waits for one key press and reads it; returns at once when headless.
void viewer_wait_key();
// A failure that waits for a key: the message goes to standard output (held
// while the show owns the terminal, so it is printed after the show) and is
// drawn with the bitmap font on the screen, which shows it during the wait.
void viewer_report_and_wait(const char* message);
