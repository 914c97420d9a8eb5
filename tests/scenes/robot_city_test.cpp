#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>
#include <vector>

#include "common/random.h"
#include "image/draw.h"
#include "render3d/camera.h"
#include "render3d/raster.h"
#include "scenes/random_draws.h"
#include "scenes/robot_city.h"
#include "scenes/scenes.h"
#include "scenes/show_assets.h"

namespace {

std::vector<Pixel> frame_copy() { return {frame_buffer, frame_buffer + FRAME_PIXELS}; }

bool same_camera(const Camera& a, const Camera& b) {
  return std::memcmp(&a.view_proj, &b.view_proj, sizeof a.view_proj) == 0 && a.near == b.near &&
         a.far == b.far;
}

}  // namespace

using RobotCity = ShowAssetsTest;

TEST_F(RobotCity, TheCityTakesOneRandomValueAndIsTheSameInEveryFrame) {
  const CameraParams view{-5.0f, 1.5f, -5.0f, -45.0f, 22.5f, 0.0f, 2.0f, 300.0f, 200.0f};
  cam_apply(&view);
  std::vector<Pixel> frames[2];
  const uint32_t seeds[2] = {11, 40000};
  for (int i = 0; i < 2; ++i) {
    draw_clear(0);
    raster_clear_depth();
    rand_seed(seeds[i]);
    scene_draw_city();
    EXPECT_TRUE(took_then_reseeded(seeds[i], 1));
    frames[i] = frame_copy();
  }
  EXPECT_EQ(frames[0], frames[1]);
  auto lit = std::count_if(frames[0].begin(), frames[0].end(), [](Pixel p) { return p != 0; });
  EXPECT_GT(lit, FRAME_PIXELS / 10) << "the blocks should fill a good part of the view";
}

TEST_F(RobotCity, EveryCutPutsTheRobotOnItsMarkAndThenItOnlyApproaches) {
  scene_robot_city(0, 2, 0.0f, 0.0f);
  scene_robot_city(0, 1, 0.0f, 0.0f);
  EXPECT_EQ(std::tuple(robot_body.pos.x, robot_body.pos.y, robot_body.pos.z), std::tuple(0.0f, 1.0f, 0.0f));
  EXPECT_EQ(std::tuple(robot_mesh.pos.x, robot_mesh.yaw), std::tuple(0.0f, 1.1f));

  // Same shot: the robot walks toward (1, 1, 0) at the remaining distance per second.
  scene_robot_city(40, 1, 1.0f, 0.0f);
  EXPECT_GT(robot_body.pos.x, 0.02f);
  EXPECT_LT(robot_body.pos.x, 0.06f);
  EXPECT_NEAR(robot_mesh.pos.x, robot_body.pos.x, 1e-6f);

  scene_robot_city(40, 0, 1.0f, 0.0f);
  EXPECT_EQ(std::tuple(robot_body.pos.x, robot_body.pos.y, robot_body.pos.z, robot_mesh.yaw),
            std::tuple(0.0f, -0.1f, 5.0f, std::sin(7.0f) - 1.0f));
}

TEST_F(RobotCity, ShotTwoDrawsSevenSkinnedRobotsFromTheOneBody) {
  rand_seed(99);
  scene_robot_city(0, 2, 0.5f, 0.0f);
  EXPECT_TRUE(took_then_reseeded(99, 7 + 1));
  // The copies are offsets of the one robot, which stays where the body put it.
  EXPECT_EQ(std::tuple(robot_mesh.pos.x, robot_mesh.pos.z), std::tuple(7.0f, 0.5f - 11.0f));

  rand_seed(99);
  scene_robot_city(0, 0, 0.5f, 0.0f);
  EXPECT_TRUE(took_then_reseeded(99, 1 + 1));
}

TEST_F(RobotCity, TearAndLensNeedAPositiveVar) {
  for (int32_t part : {0, 1, 2}) {
    scene_robot_city(0, part, 0.5f, 0.0f);
    rand_seed(7);
    scene_robot_city(0, part, 0.5f, -1.0f);
    int32_t copies = part == 2 ? 7 : 1;
    EXPECT_TRUE(took_then_reseeded(7, copies + 1)) << part;
  }
  // Shots 0 and 2 tear the frame, which draws from the same sequence.
  rand_seed(7);
  scene_robot_city(0, 0, 0.5f, 0.5f);
  EXPECT_FALSE(took_then_reseeded(7, 2));
}

TEST_F(RobotCity, AShotWithoutACameraRowUsesTheNearestOne) {
  scene_robot_city(0, 2, 0.5f, 0.0f);
  Camera last = camera;
  scene_robot_city(0, 9, 0.5f, 0.0f);
  EXPECT_TRUE(same_camera(camera, last));
  scene_robot_city(0, 0, 0.5f, 0.0f);
  Camera first = camera;
  scene_robot_city(0, -4, 0.5f, 0.0f);
  EXPECT_TRUE(same_camera(camera, first));
  EXPECT_FALSE(same_camera(first, last));
}
