// Tracker module reader: open, render, move between orders, whatever the bytes.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "audio/decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int fd = memfd_create("fuzz.mod", 0);
  if (fd < 0 || write(fd, data, size) != static_cast<ssize_t>(size)) return 0;
  std::string path = "/proc/self/fd/" + std::to_string(fd);
  if (openmpt_module* mod = mod_open(path.c_str())) {
    static float stereo[2048 * 2];
    mod_read(mod, stereo, 2048);
    mod_seek_order(mod, mod_order(mod) + 1);
    mod_read(mod, stereo, 2048);
    mod_close(mod);
  }
  close(fd);
  return 0;
}
