#pragma once
// The readable timeline: blocks of keys under "track NAME" lines, times as
// rows (r64), seconds (0:16.000) or bars and beats at 120 BPM (9.1), values as
// decimal numbers, interpolations by name. trackc compiles it, trackdump
// prints track files back in it.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sync/track.h"

// The show's tracks, in the order the runtime requests them.
constexpr int TIMELINE_TRACKS = 6;
extern const char* const TIMELINE_TRACK_NAMES[TIMELINE_TRACKS];

struct Timeline {
  std::vector<Keyframe> keys[TIMELINE_TRACKS];
};

// Index in TIMELINE_TRACK_NAMES, or -1.
int timeline_track_index(std::string_view name);

// Parses a whole timeline. On the first error returns false and sets error to
// "file:line: reason"; out is then incomplete.
bool timeline_parse(std::string_view text, const char* file_name, Timeline* out,
                    std::string* error);

// A time as the timeline writes it: m:ss.mmm for rows from 0, rN below.
std::string timeline_time_text(int32_t row);
// One "track NAME" block that timeline_parse reads back to the same keys.
std::string timeline_track_text(const char* name, const Keyframe* keys, int32_t count);

// Reads and parses a timeline file. False with "file: cannot be read" or the
// parser's "file:line: reason" in error; out is then incomplete.
bool timeline_load(const char* path, Timeline* out, std::string* error);
// Gives each of the show's tracks the timeline's keys for it (a track the
// timeline leaves out becomes empty). False, with the tracks unchanged, when
// memory runs out.
bool timeline_apply(const Timeline& timeline, KeyTrack* const tracks[TIMELINE_TRACKS]);
