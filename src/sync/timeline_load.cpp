#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/printable.h"
#include "sync/timeline_text.h"

bool timeline_load(const char* path, Timeline* out, std::string* error) {
  std::FILE* file = std::fopen(path, "rb");
  std::string text;
  bool read_ok = file != nullptr;
  if (file) {
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
    read_ok = !std::ferror(file);
    std::fclose(file);
  }
  if (!read_ok) {
    *error = platform_printable_text(path) + ": cannot be read";
    return false;
  }
  *out = Timeline{};
  return timeline_parse(text, path, out, error);
}

bool timeline_apply(const Timeline& timeline, KeyTrack* const tracks[TIMELINE_TRACKS]) {
  // Every copy is made before any track changes: all six switch or none.
  Keyframe* copies[TIMELINE_TRACKS] = {};
  for (int i = 0; i < TIMELINE_TRACKS; i++) {
    size_t count = timeline.keys[i].size();
    if (count == 0) continue;
    copies[i] = static_cast<Keyframe*>(std::malloc(count * sizeof(Keyframe)));
    if (!copies[i]) {
      for (Keyframe* copy : copies) std::free(copy);
      return false;
    }
    std::memcpy(copies[i], timeline.keys[i].data(), count * sizeof(Keyframe));
  }
  for (int i = 0; i < TIMELINE_TRACKS; i++) {
    track_clear(tracks[i]);
    tracks[i]->keys = copies[i];
    tracks[i]->count = static_cast<int32_t>(timeline.keys[i].size());
  }
  return true;
}
