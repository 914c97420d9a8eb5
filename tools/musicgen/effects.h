#pragma once
// The two shared effects the instruments send to. Both work in place on an
// interleaved stereo buffer and turn it into their wet signal.
#include <cstdint>

// Ping-pong echo of a dotted eighth note with a darkening feedback.
void fx_echo(float* stereo, int64_t frames, double bpm);
// A small hall: parallel damped combs into allpasses, per channel.
void fx_reverb(float* stereo, int64_t frames);
// Look-ahead peak limiter: no sample leaves above ceiling, and the gain
// moves smoothly (it falls over a few milliseconds before a peak and
// recovers over a tenth of a second).
void fx_limit(float* stereo, int64_t frames, float ceiling);
