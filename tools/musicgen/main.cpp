// musicgen SONG OUT.mp3: renders the soundtrack from its source, masters it
// and encodes it.
#include <cstdio>

#include "tools/musicgen/mastering.h"
#include "tools/musicgen/mp3_writer.h"
#include "tools/musicgen/sequencer.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: musicgen SONG OUT.mp3\n");
    return 2;
  }
  Song song;
  if (!song_load(argv[1], &song)) return 1;
  std::vector<float> stereo = song_render(song);
  if (!master_loudness(stereo.data(), song_frames(song))) return 1;
  return mp3_write(argv[2], stereo.data(), song_frames(song), 192) ? 0 : 1;
}
