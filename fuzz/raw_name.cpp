// Any text as a picture path: the name tests and the size parser.
#include <cstdint>
#include <string>

#include "image/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path(reinterpret_cast<const char*>(data), size);
  (void)img_is_tga_name(path.c_str());
  int32_t width = -1, height = -1;
  if (img_parse_raw_size(path.c_str(), &width, &height)) {
    if (width <= 0 || height <= 0 || width > 9999 || height > 9999) __builtin_trap();
  } else if (width != -1 || height != -1) {
    __builtin_trap();
  }
  return 0;
}
