#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "common/random.h"
#include "assets/assets.h"
#include "scenes/random_draws.h"
#include "scenes/scenes.h"

namespace {

// A white bar across the middle on a transparent picture, standing in for
// the logo in every overlay slot, whichever one the scene shows.
class EndLogo : public ::testing::Test {
 protected:
  void SetUp() override {
    logo_.assign(FRAME_PIXELS, 0);
    std::fill(logo_.begin() + 60 * FRAME_W, logo_.begin() + 90 * FRAME_W, pixel_rgba(255, 255, 255));
    std::copy(std::begin(overlay_images), std::end(overlay_images), saved_);
    std::fill(std::begin(overlay_images), std::end(overlay_images), Image{logo_.data(), FRAME_H, FRAME_W, 7});
  }
  void TearDown() override { std::copy(std::begin(saved_), std::end(saved_), overlay_images); }

  static void fill_frame(Pixel p) { std::fill(frame_buffer, frame_buffer + FRAME_PIXELS, p); }

 private:
  std::vector<Pixel> logo_;
  Image saved_[std::size(overlay_images)];
};

}  // namespace


TEST_F(EndLogo, AtTheSwitchTimeNeitherTearRuns) {
  // At 0.5 exactly: two grain passes of one value per pixel, nothing else.
  for (float t : {0.49f, 0.5f, 0.51f}) {
    fill_frame(pixel_rgba(128, 128, 128));
    rand_seed(17);
    scene_end_logo(t);
    EXPECT_EQ(took(17, 2 * FRAME_PIXELS), t == 0.5f) << t;
  }
}

