#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sync/track.h"
#include "platform/printable.h"

namespace {

char path_buffer[TRACK_PATH_MAX];

// Handed out when there is no store or no memory for a new track, so callers
// always get something that evaluates to 0.
KeyTrack empty_track{};

char* copy_string(const char* text) {
  size_t size = std::strlen(text) + 1;
  auto* copy = static_cast<char*>(std::malloc(size));
  if (copy) std::memcpy(copy, text, size);
  return copy;
}

}  // namespace

TrackStore* track_store_create(const char* prefix) {
  auto* store = static_cast<TrackStore*>(std::calloc(1, sizeof(TrackStore)));
  if (!store) return nullptr;
  store->prefix = copy_string(prefix);
  if (!store->prefix) {
    std::free(store);
    return nullptr;
  }
  return store;
}

void track_store_free(TrackStore* store) {
  if (!store) return;
  for (int32_t i = 0; i < store->count; i++) {
    track_clear(store->tracks[i]);
    std::free(store->tracks[i]->name);
    std::free(store->tracks[i]);
  }
  std::free(store->tracks);
  std::free(store->prefix);
  std::free(store);
}

int32_t track_find(const TrackStore* store, const char* name) {
  for (int32_t i = 0; i < store->count; i++)
    if (std::strcmp(store->tracks[i]->name, name) == 0) return i;
  return -1;
}

int32_t track_add(TrackStore* store, const char* name) {
  auto* track = static_cast<KeyTrack*>(std::calloc(1, sizeof(KeyTrack)));
  if (!track) return -1;
  track->name = copy_string(name);
  auto* grown = track->name ? static_cast<KeyTrack**>(std::realloc(
                                  store->tracks, sizeof(KeyTrack*) * (store->count + 1)))
                            : nullptr;
  if (!grown) {
    std::free(track->name);
    std::free(track);
    return -1;
  }
  store->tracks = grown;
  store->tracks[store->count] = track;
  return store->count++;
}

const char* track_file_path(const char* prefix, const char* name) {
  int length = std::snprintf(path_buffer, sizeof path_buffer, "%s_%s.track", prefix, name);
  if (length < 0 || length >= TRACK_PATH_MAX) return nullptr;
  return path_buffer;
}

KeyTrack* track_get(TrackStore* store, const char* name) {
  if (!store) return &empty_track;
  int32_t i = track_find(store, name);
  if (i >= 0) return store->tracks[i];
  i = track_add(store, name);
  if (i < 0) return &empty_track;
  KeyTrack* track = store->tracks[i];
  const char* path = track_file_path(store->prefix, name);
  if (path)
    track_load_file(path, track);
  else
    std::fprintf(stderr, "%s_%s.track: path too long for a track file\n",
                 platform_printable_text(store->prefix).c_str(),
                 platform_printable_text(name).c_str());
  return track;
}
