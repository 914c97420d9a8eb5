#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "common/frame.h"
#include "display/console.h"
#include "image/draw.h"
#include "platform/keys.h"
#include "support/files.h"
#include "support/temp_path.h"
#include "viewers/image_view.h"
#include "viewers/viewer_keys.h"

namespace {

// A headerless picture whose colour tells where each pixel came from.
std::string write_raw_picture(int width, int height) {
  std::string path = temp_path("viewer_pic_" + std::to_string(width) + "x" + std::to_string(height) + ".raw");
  std::vector<Pixel> pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels.push_back(pixel_rgba(x & 0xFF, y & 0xFF, 99, 255));
  write_file(path, pixels);
  return path;
}

// The blit lands an opaque byte c as (c * 255) >> 8.
Pixel blitted(int x, int y) { return pixel_rgba((x * 255) >> 8, (y * 255) >> 8, (99 * 255) >> 8, 0); }

int presented = 0;
void count_and_press(const Pixel*, const ConsoleCell*) {
  if (++presented == 3) key_inject(27);
}

struct ImageViewTest : testing::Test {
  void SetUp() override {
    con_configure({ColorMode::TrueColor, true});
    key_set_source(-1);
    presented = 0;
    con_set_present_hook(count_and_press);
  }
  void TearDown() override {
    con_set_present_hook(nullptr);
    while (key_waiting()) key_read();
  }
};

}  // namespace

TEST_F(ImageViewTest, PictureIsCutAtTheFrameAndLeavesTheRest) {
  viewer_headless = true;
  draw_clear(pixel_rgba(1, 2, 3, 0));
  image_view(write_raw_picture(300, 200).c_str());
  // Headless: one frame, then the show.
  EXPECT_EQ(std::tuple(presented, frame_buffer[0], frame_buffer[149 * FRAME_W + 239]),
            std::tuple(1, blitted(0, 0), blitted(239, 149)));
  draw_clear(pixel_rgba(1, 2, 3, 0));
  image_view(write_raw_picture(10, 4).c_str());
  EXPECT_EQ(std::tuple(frame_buffer[3 * FRAME_W + 9], frame_buffer[4 * FRAME_W + 9], frame_buffer[3 * FRAME_W + 10]),
            std::tuple(blitted(9, 3), pixel_rgba(1, 2, 3, 0), pixel_rgba(1, 2, 3, 0)));
}

TEST_F(ImageViewTest, TheKeyThatEndsTheViewerIsLeftForTheShow) {
  viewer_headless = false;
  image_view(write_raw_picture(8, 8).c_str());
  EXPECT_EQ(presented, 3);
  ASSERT_TRUE(key_waiting());
  EXPECT_EQ(key_read(), 27);
  // A key already waiting ends the viewer before any frame.
  key_inject(13);
  image_view(write_raw_picture(8, 8).c_str());
  EXPECT_EQ(std::tuple(presented, key_read()), std::tuple(3, 13));
  viewer_headless = true;
}
