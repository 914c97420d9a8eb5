#pragma once
// Named keyframe tracks: everything that changes over the show's running time
// (scene, its parameters, overlays) comes from them. A store groups the tracks
// of one file-name prefix; a track's file is read on its first request.
#include <cstdint>

constexpr int32_t INTERP_STEP = 0;
constexpr int32_t INTERP_LINEAR = 1;
constexpr int32_t INTERP_SMOOTH = 2;
constexpr int32_t INTERP_QUADRATIC = 3;

// A key holds its value from its row up to the next key's row, with the
// transition its own interpolation names.
struct Keyframe {
  int32_t row;
  float value;
  int32_t interpolation;
};

// keys: ascending rows, strictly; count 0 for an empty track.
struct KeyTrack {
  char* name;
  Keyframe* keys;
  int32_t count;
};

struct TrackStore {
  char* prefix;
  KeyTrack** tracks;
  int32_t count;
};

constexpr int TRACK_PATH_MAX = 260;
// More keys than any show needs; a count above it means a damaged file.
constexpr int32_t TRACK_MAX_KEYS = 1000000;
// On file: count (int32), then per key row (int32), value (float32) and
// interpolation (int8), little-endian and unpadded.
constexpr int TRACK_FILE_KEY_SIZE = 9;

// track_load_file results.
constexpr int TRACK_LOAD_OK = 0;
constexpr int TRACK_LOAD_MISSING = 1;   // the file does not open; silent
constexpr int TRACK_LOAD_REJECTED = 2;  // unreadable; one line on stderr

// A new empty store with a copy of the prefix, or null without memory.
TrackStore* track_store_create(const char* prefix);
// Releases the store and its tracks. The show keeps its store for the whole
// run; this is for shorter-lived users.
void track_store_free(TrackStore* store);
// The track of that name, read from its file on the first request. Never
// null: a missing or rejected file, and a null store, give an empty track.
KeyTrack* track_get(TrackStore* store, const char* name);
// Index of the first track named exactly so (case-sensitive), or -1.
int32_t track_find(const TrackStore* store, const char* name);
// Appends an empty track with a copy of the name; its index, or -1 without
// memory.
int32_t track_add(TrackStore* store, const char* name);
// prefix + "_" + name + ".track" in a static buffer valid until the next
// call; null when that does not fit TRACK_PATH_MAX (never truncated into
// another file's name).
const char* track_file_path(const char* prefix, const char* name);

// Reads a track file into the track, replacing its keys. A damaged file
// (negative or implausible count, truncated key, rows not strictly
// ascending) is reported on stderr and leaves the track empty.
int track_load_file(const char* path, KeyTrack* track);
// Empties the track and releases its keys.
void track_clear(KeyTrack* track);

// The track's value at a fractional row; 0 for an empty or null track.
float track_value(const KeyTrack* track, double row);
// Index of the key on exactly that row, or -1 - (its insertion position).
int32_t track_locate_row(const KeyTrack* track, int32_t row);
