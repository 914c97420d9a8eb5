#include "viewers/image_view.h"

#include <cctype>
#include <cstring>
#include <ctime>

#include "image/blit.h"
#include "image/draw.h"
#include "image/image.h"
#include "runtime/keys.h"
#include "viewers/viewer_keys.h"

namespace {

// The file is opened by the name as typed, but the kind of picture follows the
// name with its last four characters in capitals, so "pic.Tga" is a TGA.
void load_picture(const char* path, Image* image) {
  char shouted[4096];
  const size_t length = std::strlen(path);
  if (length >= 4 && length < sizeof shouted) {
    std::memcpy(shouted, path, length + 1);
    for (size_t i = length - 4; i < length; ++i)
      shouted[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(shouted[i])));
    if (img_is_tga_name(shouted) && !img_is_tga_name(path)) {
      img_load_tga(path, image);
      return;
    }
  }
  img_load(path, image);
}

}  // namespace

void image_view(const char* path) {
  Image image{};
  load_picture(path, &image);
  img_blit(&image, 0, 0);
  // The picture never changes: refresh at a calm pace instead of spinning.
  const timespec pause = {0, 10 * 1000 * 1000};
  while (!key_waiting()) {
    fb_present();
    if (viewer_headless) break;
    nanosleep(&pause, nullptr);
  }
  img_free(&image);
}
