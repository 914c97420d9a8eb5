#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "scenes/scenes.h"
#include "scenes/show_assets.h"

namespace {

constexpr int32_t STARS_ONLY = 0;
constexpr int32_t WITH_SAUCER = 1;

float distance(Vec3f a, Vec3f b) {
  return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}

}  // namespace

using SharedSaucer = ShowAssetsTest;

// After a shot without it, the saucer shot sets the saucer on its starting
// mark, wherever the city left it; a stars-only shot does not arm that.
TEST_F(SharedSaucer, IsPlacedByTheStarWarpAfterAShotWithoutIt) {
  auto placed_after = [](int32_t city_frames) {
    for (int i = 0; i < city_frames; ++i) scene_saucer_city(20, 0, 1.0f, 0.0f);
    scene_star_warp(20, STARS_ONLY, 0.0f, 1);
    scene_star_warp(20, WITH_SAUCER, 0.5f, 1);
    return std::tuple(saucer_body.pos.x, saucer_body.pos.y, saucer_body.pos.z);
  };
  const auto mark = placed_after(0);
  EXPECT_EQ(placed_after(30), mark);

  scene_saucer_city(20, 0, 0.5f, 0.0f);
  scene_star_warp(20, 2, 0.5f, 1);
  Vec3f before = saucer_body.pos;
  scene_star_warp(20, WITH_SAUCER, 0.5f, 1);
  EXPECT_LT(distance(saucer_body.pos, before), 1.0f);
  EXPECT_NE(std::tuple(saucer_body.pos.x, saucer_body.pos.y, saucer_body.pos.z), mark);
}

