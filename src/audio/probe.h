#pragma once
// Offline reading of a music file's spectrum, through the playback decoders
// and spectrum code but without a sound device.

// The spectrum of the MUSIC_FFT_SIZE samples that end at at_ms (what playback
// would be hearing then). False, after one line on stderr, when the file
// cannot be read.
bool audio_probe_spectrum(const char* path, int at_ms, float* bins);
// Prints the loudest frequency and its level, then every bin; false when
// the file cannot be read.
bool audio_probe(const char* path, int at_ms);
