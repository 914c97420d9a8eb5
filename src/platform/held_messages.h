#pragma once
// While the show owns the terminal nothing may print over the picture:
// standard output, and standard error when it is a terminal too, are
// diverted into an in-memory file and replayed, in order, once the terminal
// is restored, less the sound library's own lines about a missing device
// (see message_filter.h). Standard error that goes elsewhere is left alone.
// Both calls are safe inside signal handlers once held_begin has run once.

// Starts holding. Returns false (holding nothing) when the in-memory file
// cannot be made. The picture must already have its own duplicate of fd 1.
bool held_begin();
// Puts the descriptors back and writes out everything held. Idempotent.
void held_end();
