// Song source reader: load whatever the bytes are, then turn each short play
// into notes as the renderer would.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "tools/musicgen/sequencer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int fd = memfd_create("fuzz.txt", 0);
  if (fd < 0 || write(fd, data, size) != static_cast<ssize_t>(size)) return 0;
  std::string path = "/proc/self/fd/" + std::to_string(fd);
  Song song;
  if (song_load(path.c_str(), &song)) {
    song_frames(song);
    for (const Play& p : song.plays)
      if (p.last_bar - p.first_bar < 64) song_play_notes(song, p);
  }
  close(fd);
  return 0;
}
