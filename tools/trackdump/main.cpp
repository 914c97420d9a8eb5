// trackdump PREFIX | FILE.track...: prints track files as timeline text that
// trackc compiles back to the same bytes. With a prefix, the show's six
// tracks are printed; a missing file prints as an empty track.
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/printable.h"
#include "sync/timeline_text.h"

namespace {

// Prints one file as a block; false when the file is missing or rejected
// (the reader has already said why).
bool dump(const char* path, const char* name, bool missing_is_empty) {
  KeyTrack track{};
  int result = track_load_file(path, &track);
  bool ok = result == TRACK_LOAD_OK || (result == TRACK_LOAD_MISSING && missing_is_empty);
  const std::string shown = platform_printable_text(path);
  if (result == TRACK_LOAD_MISSING) {
    if (!missing_is_empty) std::fprintf(stderr, "trackdump: %s: cannot open\n", shown.c_str());
    std::printf("# %s: no file\n", shown.c_str());
  } else if (result == TRACK_LOAD_OK) {
    std::printf("# %s: %d key%s\n", shown.c_str(), track.count, track.count == 1 ? "" : "s");
  } else {
    std::printf("# %s: unreadable\n", shown.c_str());
  }
  std::fputs(timeline_track_text(name, track.keys, track.count).c_str(), stdout);
  std::fputs("\n", stdout);
  track_clear(&track);
  return ok;
}

// "data/sync_scene.track" -> "scene": the text after the prefix's "_".
std::string name_from_path(std::string_view path) {
  size_t slash = path.rfind('/');
  std::string_view base = path.substr(slash == std::string_view::npos ? 0 : slash + 1);
  base.remove_suffix(std::string_view(".track").size());
  size_t underscore = base.find('_');
  return std::string(underscore == std::string_view::npos ? base : base.substr(underscore + 1));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: trackdump PREFIX | FILE.track...\n");
    return 2;
  }
  bool ok = true;
  std::string_view first = argv[1];
  if (argc == 2 && !first.ends_with(".track")) {
    for (const char* name : TIMELINE_TRACK_NAMES) {
      const char* path = track_file_path(argv[1], name);
      if (!path) {
        std::fprintf(stderr, "trackdump: %s: prefix too long for a track file name\n",
                     platform_printable_text(argv[1]).c_str());
        return 1;
      }
      ok = dump(std::string(path).c_str(), name, true) && ok;
    }
  } else {
    for (int i = 1; i < argc; i++) {
      std::string_view path = argv[i];
      if (!path.ends_with(".track")) {
        std::fprintf(stderr, "trackdump: %s: not a .track file\n",
                     platform_printable_text(argv[i]).c_str());
        ok = false;
        continue;
      }
      ok = dump(argv[i], name_from_path(path).c_str(), false) && ok;
    }
  }
  return ok ? 0 : 1;
}
