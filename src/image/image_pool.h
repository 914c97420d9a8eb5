#pragma once
// The texture pool: fixed Image slots that textures are loaded into by path,
// referred to by slot number (-1 for none).
#include <cstdint>

#include "image/image.h"

constexpr int32_t IMAGE_POOL_SIZE = 64;

// A slot is free while its pixels are null.
extern Image image_pool[IMAGE_POOL_SIZE];

// First free slot from 0, or -1 when all are used.
int32_t img_pool_find_free();
// img_free on every used slot, in slot order.
void img_pool_free_all();
// Loads the picture into the first free slot and returns its index, or -1
// (nothing loaded) when the pool is full. The very first call empties the
// pool, so every load after a full release hands out the same slots in the
// same order. A picture that fails to load leaves its slot empty but the
// index is still returned.
int32_t img_pool_load(const char* path);
