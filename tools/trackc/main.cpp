// trackc TIMELINE PREFIX: compiles a text timeline into the six track files
// PREFIX_scene.track ... PREFIX_greet.track. Any error in the text writes
// nothing; a track the timeline leaves out gets an empty file.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "sync/timeline_text.h"
#include "tools/common/track_write.h"
#include "platform/printable.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: trackc TIMELINE PREFIX   (writes PREFIX_<track>.track, listing each on stdout)\n");
    return 2;
  }
  std::ifstream input(argv[1], std::ios::binary);
  if (!input) {
    std::fprintf(stderr, "trackc: %s: cannot open\n", platform_printable_text(argv[1]).c_str());
    return 1;
  }
  std::ostringstream text;
  text << input.rdbuf();

  Timeline timeline;
  std::string error;
  if (!timeline_parse(text.str(), argv[1], &timeline, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }

  // All six go to temporary names first and are renamed only when every
  // write succeeded, so the show never sees half a timeline.
  std::string paths[TIMELINE_TRACKS];
  for (int i = 0; i < TIMELINE_TRACKS; i++) {
    const char* path = track_file_path(argv[2], TIMELINE_TRACK_NAMES[i]);
    if (!path) {
      std::fprintf(stderr, "trackc: %s: prefix too long for a track file name\n",
                   platform_printable_text(argv[2]).c_str());
      return 1;
    }
    paths[i] = path;
  }
  for (int i = 0; i < TIMELINE_TRACKS; i++) {
    const std::vector<Keyframe>& keys = timeline.keys[i];
    if (!file_write(paths[i] + ".tmp",
                    track_file_bytes(keys.data(), static_cast<int32_t>(keys.size())), &error)) {
      std::fprintf(stderr, "trackc: %s\n", error.c_str());
      for (int j = 0; j <= i; j++) std::remove((paths[j] + ".tmp").c_str());
      return 1;
    }
  }
  for (int i = 0; i < TIMELINE_TRACKS; i++) {
    if (std::rename((paths[i] + ".tmp").c_str(), paths[i].c_str()) != 0) {
      std::fprintf(stderr, "trackc: %s: %s\n", platform_printable_text(paths[i]).c_str(),
                   std::strerror(errno));
      return 1;
    }
  }
  // The names come from the sync library alone; the build follows this list.
  for (const std::string& path : paths) std::printf("%s\n", path.c_str());
  return 0;
}
