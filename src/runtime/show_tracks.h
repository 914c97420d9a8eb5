#pragma once
// The six tracks the frame driver reads, and where they come from: the
// compiled track files under data/sync, or (--timeline) timeline text that is
// watched and applied again on every save.
#include <string>

struct KeyTrack;

extern KeyTrack* scene_track;
extern KeyTrack* part_track;
extern KeyTrack* time_track;
extern KeyTrack* var_track;
extern KeyTrack* overlay_track;
extern KeyTrack* greet_track;

// Requests the six tracks from data/sync_<name>.track.
void demo_request_tracks();
// With a timeline path, the tracks come from that text instead, and the file
// is watched. False with one line on stderr when it cannot be read or parsed.
bool show_tracks_begin(const char* timeline_path);
// Once a frame, never waits: applies the timeline when a save finished since
// the last call. True when the tracks changed.
bool show_tracks_poll();
// Readable when the watched timeline changed (for waiting); -1 when none.
int show_tracks_watch_fd();
// F5: the timeline file again, or the track files (after `make data`).
void show_tracks_reload();
// The last timeline error or note ("" when the timeline applied cleanly).
// Each new error is also written to stderr once.
const std::string& show_tracks_note();
