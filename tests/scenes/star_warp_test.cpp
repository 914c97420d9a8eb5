#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "common/random.h"
#include "scenes/scenes.h"
#include "scenes/star_warp.h"

namespace {

constexpr int32_t STARS_ONLY = 2;

// Every star dark at the centre, so only the stars a test places show.
void dark_field() {
  scene_star_warp(0, STARS_ONLY, 0.0f, 1);
  std::fill(stars, stars + STAR_COUNT, Star{0.0f, 0.0f, 0.0f});
}

Pixel at(int32_t x, int32_t y) { return frame_buffer[y * FRAME_W + x]; }

int32_t lit_pixels() {
  return static_cast<int32_t>(
      std::count_if(frame_buffer, frame_buffer + FRAME_PIXELS, [](Pixel p) { return p != 0; }));
}

}  // namespace

TEST(StarWarp, StarsOnTheRightOrBottomEdgeAreRebornDark) {
  dark_field();
  stars[0] = {120.0f, 0.0f, 9.0f};
  stars[1] = {0.0f, 75.0f, 9.0f};
  stars[2] = {-120.0f, -75.0f, 9.0f};
  rand_seed(321);
  // Stars run from the last to the first: star 1 takes the first two values.
  int32_t r[4];
  for (int32_t& v : r) v = rand_next();
  rand_seed(321);
  scene_star_warp(0, STARS_ONLY, 0.0f, 1);

  EXPECT_EQ(std::tuple(stars[1].x, stars[1].y, stars[1].brightness),
            std::tuple(static_cast<float>(r[0] % 240 - 120), static_cast<float>(r[1] % 150 - 75), 0.0f));
  EXPECT_EQ(std::tuple(stars[0].x, stars[0].y, stars[0].brightness),
            std::tuple(static_cast<float>(r[2] % 240 - 120), static_cast<float>(r[3] % 150 - 75), 0.0f));
  // The star on the left and top edges is still drawn, in the top-left corner.
  EXPECT_EQ(stars[2].brightness, 9.0f);
  EXPECT_EQ(at(0, 0), star_grey[9]);
  EXPECT_EQ(lit_pixels(), 1);
}


TEST(StarWarp, ABackwardSeekPullsStarsInAndDrawsThemBlack) {
  dark_field();
  stars[0] = {10.0f, 10.0f, 0.5f};
  scene_star_warp(-1000, STARS_ONLY, 0.0f, 1);
  EXPECT_EQ(std::tuple(stars[0].x, stars[0].brightness), std::tuple(0.0f, -7.5f));
  EXPECT_EQ(lit_pixels(), 0);
}
