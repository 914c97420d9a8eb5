#pragma once
// MP3 encoding of interleaved float stereo at 44100 Hz, constant bit rate,
// with the encoder-delay tag so decoders give back the exact sample count.
#include <cstdint>

// False, after one line on stderr naming the file, when it cannot be written.
bool mp3_write(const char* path, const float* stereo, int64_t frames, int kbps);
