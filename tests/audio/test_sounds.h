#pragma once
// Sound files the audio tests make for themselves.
#include <string>

#include "audio/music.h"

// An MP3 of 10 s whose tone steps every second: second k is a full-scale
// sine of 500 + 100 k Hz (so 1000 Hz from 5 s to 6 s). Made once per run.
const std::string& stepped_tone_mp3();
constexpr int STEPPED_TONE_MS = 10000;
inline int stepped_tone_hz(int ms) { return 500 + 100 * (ms / 1000); }

// A four-order tracker module (ProTracker layout): one looping square-wave
// note per pattern, a different pitch in each, about 7.7 s per order.
const std::string& four_order_mod();

// Index of the loudest bin above DC.
int loudest_bin(const float* bins);
constexpr double HZ_PER_FFT_BIN = static_cast<double>(MUSIC_RATE) / MUSIC_FFT_SIZE;
