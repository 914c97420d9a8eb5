// MP3 stream reader: open, decode, seek and decode again, whatever the bytes.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "audio/decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int fd = memfd_create("fuzz.mp3", 0);
  if (fd < 0 || write(fd, data, size) != static_cast<ssize_t>(size)) return 0;
  std::string path = "/proc/self/fd/" + std::to_string(fd);
  if (mpg123_handle* mp3 = mp3_open(path.c_str())) {
    static float stereo[4096 * 2];
    mp3_read(mp3, stereo, 4096);
    mp3_seek(mp3, mp3_length(mp3) / 2);
    mp3_read(mp3, stereo, 4096);
    mp3_close(mp3);
  }
  close(fd);
  return 0;
}
