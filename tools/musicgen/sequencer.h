#pragma once
// Turns a song into samples: every play of a pattern becomes notes, each
// instrument is mixed with its pan, kick ducking and effect sends, then the
// master gain, a normalisation and a limiter to a fixed peak.
#include <cstdint>
#include <vector>

#include "tools/musicgen/song.h"

constexpr float SONG_PEAK = 0.84f;   // about -1.5 dBFS, room for the encoder's overshoot
constexpr float SONG_DRIVE = 2.0f;   // how far the loudest peaks go into the limiter

int64_t song_frames(const Song& song);
// The notes one play produces, in time order.
std::vector<NoteEvent> song_play_notes(const Song& song, const Play& play);
// Interleaved stereo, song_frames(song) frames.
std::vector<float> song_render(const Song& song);
