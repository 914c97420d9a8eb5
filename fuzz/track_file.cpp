// Arbitrary bytes as a track file: the reader must reject or accept them
// without crashing, and whatever it accepts must evaluate safely.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "sync/track.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/fuzz_track_file_" + std::to_string(getpid()) + ".track";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  KeyTrack track{};
  track_load_file(path.c_str(), &track);
  std::remove(path.c_str());
  for (int32_t i = 0; i < track.count; i++) {
    track_value(&track, track.keys[i].row - 0.5);
    track_value(&track, track.keys[i].row + 0.5);
  }
  track_value(&track, -1e12);
  track_value(&track, 1e12);
  track_clear(&track);
  return 0;
}
