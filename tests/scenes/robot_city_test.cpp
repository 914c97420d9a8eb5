#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>

#include "common/random.h"
#include "render3d/camera.h"
#include "scenes/random_draws.h"
#include "scenes/robot_city.h"
#include "scenes/scenes.h"
#include "scenes/show_assets.h"

namespace {

bool same_camera(const Camera& a, const Camera& b) {
  return std::memcmp(&a.view_proj, &b.view_proj, sizeof a.view_proj) == 0 && a.near == b.near &&
         a.far == b.far;
}

}  // namespace

using RobotCity = ShowAssetsTest;

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
