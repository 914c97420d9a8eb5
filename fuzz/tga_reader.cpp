// Any bytes as a .tga file through the reader and the image loader. Run with
// -close_fd_mask=2 to keep the readers' one-line reports off the terminal.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "image/image.h"

namespace {
// The reader takes a path, so every input goes through one scratch file.
struct ScratchFile {
  std::string path = "/tmp/fuzz_tga_" + std::to_string(getpid()) + ".tga";
  ~ScratchFile() { unlink(path.c_str()); }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const ScratchFile scratch;
  const std::string& path = scratch.path;
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return 0;
  fwrite(data, 1, size, f);
  fclose(f);
  Image image = {};
  img_load(path.c_str(), &image);
  if (image.pixels) {
    // Touch every pixel so a short buffer shows up under the sanitizer.
    volatile uint32_t sum = 0;
    for (size_t i = 0; i < size_t{image.width} * image.height; ++i) sum = sum + image.pixels[i];
  }
  img_free(&image);
  return 0;
}
