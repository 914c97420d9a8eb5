#include "image/image_pool.h"

Image image_pool[IMAGE_POOL_SIZE];

namespace {
// Whether the first load has emptied the pool yet.
bool pool_cleared = false;
}  // namespace

int32_t img_pool_find_free() {
  for (int32_t i = 0; i < IMAGE_POOL_SIZE; ++i) {
    if (!image_pool[i].pixels) return i;
  }
  return -1;
}

void img_pool_free_all() {
  for (Image& image : image_pool) {
    if (image.pixels) img_free(&image);
  }
}

int32_t img_pool_load(const char* path) {
  if (!pool_cleared) {
    img_pool_free_all();
    pool_cleared = true;
  }
  int32_t slot = img_pool_find_free();
  if (slot < 0) return -1;
  img_load(path, &image_pool[slot]);
  return slot;
}
