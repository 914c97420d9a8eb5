#include "display/png_write.h"

#include <png.h>

#include <cstdio>
#include <cstring>

#include "platform/printable.h"

bool png_write_rgba(const char* path, int w, int h, const uint32_t* pixels) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(w);
  image.height = static_cast<png_uint_32>(h);
  image.format = PNG_FORMAT_RGBA;  // byte order in memory, as our pixels are stored
  if (w <= 0 || h <= 0 ||
      !png_image_write_to_file(&image, path, 0, pixels, w * 4, nullptr)) {
    std::fprintf(stderr, "%s: cannot write PNG%s%s\n", platform_printable_text(path).c_str(),
                 image.message[0] ? ": " : "", platform_printable_text(image.message).c_str());
    png_image_free(&image);
    return false;
  }
  return true;
}
