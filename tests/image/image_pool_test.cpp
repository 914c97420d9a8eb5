#include <gtest/gtest.h>

#include <vector>

#include "image/image_pool.h"
#include "image/tga_bytes.h"

namespace {

TEST(ImagePool, SixtyFifthLoadFailsAndFreedSlotsAreReused) {
  TempFile file(tga_header_bytes({}) + std::vector<uint8_t>{1, 2, 3});
  img_pool_free_all();
  for (int32_t i = 0; i < IMAGE_POOL_SIZE; ++i) ASSERT_EQ(img_pool_load(file.path()), i);
  EXPECT_EQ(img_pool_find_free(), -1);
  EXPECT_EQ(img_pool_load(file.path()), -1);

  img_free(&image_pool[5]);
  img_free(&image_pool[9]);
  EXPECT_EQ(img_pool_load(file.path()), 5);
  EXPECT_EQ(img_pool_load(file.path()), 9);
  EXPECT_EQ(image_pool[9].pixels[0], pixel_rgba(3, 2, 1));

  img_pool_free_all();
  for (const Image& image : image_pool) EXPECT_EQ(image.pixels, nullptr);
  EXPECT_EQ(img_pool_load(file.path()), 0);  // a reload hands out the same slots again
  testing::internal::CaptureStderr();
  EXPECT_EQ(img_pool_load("/nonexistent/a.tga"), 1);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(img_pool_find_free(), 1);  // a failed load leaves its slot free
  img_pool_free_all();
}

}  // namespace
