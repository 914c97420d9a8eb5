#include "viewers/image_view.h"

#include <cctype>
#include <cstring>

#include "image/blit.h"
#include "image/draw.h"
#include "image/image.h"
#include "platform/clock.h"
#include "platform/keys.h"
#include "viewers/viewer_keys.h"

namespace {

constexpr int64_t VIEWER_REFRESH_US = 250000;

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
  // The picture never changes: presented again at a calm pace, and at once
  // when the terminal needs a redraw (resize, resume).
  while (!key_waiting()) {
    fb_present();
    if (viewer_headless) break;
    key_wait_until(clock_real_us() + VIEWER_REFRESH_US, true);
  }
  img_free(&image);
}
