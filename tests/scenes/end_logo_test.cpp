#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "common/random.h"
#include "assets/assets.h"
#include "image/blit.h"
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
  static std::vector<Pixel> frame() { return {frame_buffer, frame_buffer + FRAME_PIXELS}; }

 private:
  std::vector<Pixel> logo_;
  Image saved_[std::size(overlay_images)];
};

uint32_t max_channel(const std::vector<Pixel>& pixels) {
  uint32_t top = 0;
  for (Pixel p : pixels) top = std::max({top, pixel_r(p), pixel_g(p), pixel_b(p)});
  return top;
}

}  // namespace

TEST_F(EndLogo, AtTimeZeroTheLogoIsBlendedOverTheUnchangedFrame) {
  fill_frame(pixel_rgba(40, 90, 200));
  img_blit(&overlay_images[0], 0, 0);
  std::vector<Pixel> blended = frame();

  fill_frame(pixel_rgba(40, 90, 200));
  scene_end_logo(0.0f);
  EXPECT_EQ(frame(), blended);
}

TEST_F(EndLogo, AtTheSwitchTimeNeitherTearRuns) {
  // At 0.5 exactly: two grain passes of one value per pixel, nothing else.
  for (float t : {0.49f, 0.5f, 0.51f}) {
    fill_frame(pixel_rgba(128, 128, 128));
    rand_seed(17);
    scene_end_logo(t);
    EXPECT_EQ(took(17, 2 * FRAME_PIXELS), t == 0.5f) << t;
  }
}

TEST_F(EndLogo, AtTimeOneEverythingIncludingTheLogoIsDarkenedTwice) {
  // The blurred logo keeps at most 255 - 128; far from it the grain (at most
  // +63) is taken away again by the darkening of 128.
  for (uint32_t v : {255u, 0u}) {
    fill_frame(pixel_rgba(v, v, v));
    scene_end_logo(1.0f);
    EXPECT_LE(max_channel(frame()), 255u - 128u) << v;
  }
  EXPECT_EQ(max_channel({frame_buffer, frame_buffer + 10 * FRAME_W}), 0u);
}
