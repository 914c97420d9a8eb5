#pragma once
// What the music's parts share: the decoders' handles, the rate and the
// spectrum's size. Types and constants only.
#include <cstdint>

struct openmpt_module;
struct mpg123_handle_struct;
typedef struct mpg123_handle_struct mpg123_handle;

constexpr int HZ_PER_BIN = 43;
constexpr int MUSIC_RATE = 44100;
constexpr int MUSIC_FFT_SIZE = 1024;
constexpr int MUSIC_BINS = MUSIC_FFT_SIZE / 2;
