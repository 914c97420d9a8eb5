#pragma once
// The soundtrack: playback once through the sound device, seeking in steps,
// and the magnitude spectrum of what is heard now.
#include <cstdint>

#include "audio/music_types.h"


extern int music_ready;               // the sound device was opened, or the clock is followed
extern openmpt_module* music_song;    // a tracker module, or none
extern mpg123_handle* music_stream;   // an MP3 stream, or none
// Magnitudes of the last music_update_spectrum(); bin i is about i x 43.07 Hz,
// a full-scale sine reads about 1.0 in its bin.
extern float music_spectrum[MUSIC_BINS];

// Call before the first music_start to play on the silent device.
void music_set_silent(bool silent);
// Headless runs: no device plays; the position is what music_follow last
// set, so the spectrum matches the demo time however fast frames are made.
// Switching releases what plays; call it before music_start.
void music_follow_clock(bool on);
// While following the clock: the demo time now, once per frame before the
// spectrum is taken. Ignored otherwise.
void music_follow(int32_t demo_ms);
// 1 when the music plays, 0 otherwise (the show then runs silently).
int music_start(const char* path);
void music_stop();
// One second back or forward; music_seek_by_ms moves by any amount.
void music_seek_back();
void music_seek_forward();
void music_seek_by_ms(int32_t step_ms);
// Pausing holds the position (the device plays silence) and the spectrum
// stays that of the paused moment; resuming plays on from there.
void music_pause(bool on);
bool music_is_mp3(const char* path);
// Mean magnitude of the bins from low/43 up to (not including) high/43.
float music_band_level(int low_hz, int high_hz);
// Takes the spectrum of the samples being heard now; call once per frame
// before the band queries.
void music_update_spectrum();
// Position of the sample being heard now, in milliseconds.
int32_t music_position_ms();
