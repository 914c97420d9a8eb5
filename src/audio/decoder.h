#pragma once
// Decoders behind the music: MP3 streams and tracker modules, both delivered
// as interleaved float stereo at MUSIC_RATE. They need no sound device, so
// the probe and the tests share them with playback.
#include <cstdint>

#include "audio/music_types.h"

// nullptr (after one line on stderr naming the file) when it cannot be read.
mpg123_handle* mp3_open(const char* path);
void mp3_close(mpg123_handle* mp3);
// Frames written to stereo[]; fewer than asked only at the end.
int mp3_read(mpg123_handle* mp3, float* stereo, int frames);
int64_t mp3_length(mpg123_handle* mp3);   // frames
// Positions on the exact frame; false when frame is at or past the end.
bool mp3_seek(mpg123_handle* mp3, int64_t frame);

openmpt_module* mod_open(const char* path);
void mod_close(openmpt_module* mod);
int mod_read(openmpt_module* mod, float* stereo, int frames);
int32_t mod_order(openmpt_module* mod);
int32_t mod_order_count(openmpt_module* mod);
int64_t mod_length(openmpt_module* mod);  // frames
// Both return the new position in frames, or -1 past the end.
int64_t mod_seek_order(openmpt_module* mod, int32_t order);
int64_t mod_seek_frame(openmpt_module* mod, int64_t frame);

// Mono mix of the MUSIC_FFT_SIZE frames that end at frame `end` (exclusive)
// of whichever of mp3 / mod is given; what lies before the start or past the
// end is silence. Moves that decoder's position.
void decode_window(mpg123_handle* mp3, openmpt_module* mod, int64_t end, float* mono);
