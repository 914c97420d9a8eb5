#include "runtime/show_tracks.h"

#include <cstdio>

#include "platform/printable.h"
#include "sync/file_watch.h"
#include "sync/timeline_text.h"
#include "sync/track.h"

KeyTrack* scene_track = nullptr;
KeyTrack* part_track = nullptr;
KeyTrack* time_track = nullptr;
KeyTrack* var_track = nullptr;
KeyTrack* overlay_track = nullptr;
KeyTrack* greet_track = nullptr;

namespace {

// Lives for the whole run, like the tracks it holds.
TrackStore* track_store = nullptr;
std::string timeline_path;  // empty: the tracks come from files
FileWatch watch;
std::string note;

KeyTrack** const TRACK_SLOTS[TIMELINE_TRACKS] = {&scene_track, &part_track,    &time_track,
                                                 &var_track,   &overlay_track, &greet_track};

void take_tracks() {
  for (int i = 0; i < TIMELINE_TRACKS; i++)
    *TRACK_SLOTS[i] = track_get(track_store, TIMELINE_TRACK_NAMES[i]);
}

// A timeline with errors is not applied: the last good one plays on.
bool apply_timeline() {
  Timeline timeline;
  std::string error;
  KeyTrack* tracks[TIMELINE_TRACKS];
  for (int i = 0; i < TIMELINE_TRACKS; i++) tracks[i] = *TRACK_SLOTS[i];
  if (!timeline_load(timeline_path.c_str(), &timeline, &error)) {
    // Said once per distinct error; while the show owns the terminal,
    // stderr is held and printed after it.
    if (error != note) std::fprintf(stderr, "%s\n", error.c_str());
    note = error;
    return false;
  }
  if (!timeline_apply(timeline, tracks)) {
    note = platform_printable_text(timeline_path) + ": no memory for the timeline";
    return false;
  }
  note.clear();
  return true;
}

}  // namespace

void demo_request_tracks() {
  track_store = track_store_create("data/sync");
  // Without a store every request still yields an (empty) track.
  if (track_store == nullptr) std::fputs("sync failed!\n", stdout);
  take_tracks();
}

bool show_tracks_begin(const char* path) {
  if (path == nullptr || *path == '\0') {
    demo_request_tracks();
    return true;
  }
  timeline_path = path;
  // Named tracks of their own, never read from files.
  track_store = track_store_create(path);
  for (int i = 0; track_store && i < TIMELINE_TRACKS; i++) {
    if (track_add(track_store, TIMELINE_TRACK_NAMES[i]) < 0) {
      track_store_free(track_store);
      track_store = nullptr;
    }
  }
  if (track_store == nullptr) {
    std::fprintf(stderr, "kolv17: no memory for the timeline\n");
    return false;
  }
  take_tracks();
  if (!apply_timeline()) return false;
  if (!file_watch_open(&watch, path))
    std::fprintf(stderr, "kolv17: %s cannot be watched; F5 reloads it\n",
                 platform_printable_text(path).c_str());
  return true;
}

bool show_tracks_poll() {
  switch (file_watch_poll(&watch)) {
    case FileChange::Saved:
      return apply_timeline();
    case FileChange::Gone:
      note = platform_printable_text(timeline_path) + ": gone; the last good timeline plays on";
      return false;
    case FileChange::None:
      break;
  }
  return false;
}

int show_tracks_watch_fd() { return watch.fd; }

void show_tracks_reload() {
  if (!timeline_path.empty()) {
    apply_timeline();
    return;
  }
  if (track_store == nullptr) return;
  for (int i = 0; i < track_store->count; i++) {
    KeyTrack* track = track_store->tracks[i];
    if (const char* file = track_file_path(track_store->prefix, track->name))
      track_load_file(file, track);
  }
}

const std::string& show_tracks_note() { return note; }
