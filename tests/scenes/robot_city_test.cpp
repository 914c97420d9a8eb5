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

// A cut puts the robot on the shot's mark wherever it stood before; within a
// shot it walks toward its target and the mesh goes where the body is.
TEST_F(RobotCity, EveryCutPutsTheRobotOnItsMarkAndThenItOnlyApproaches) {
  auto position = [] { return std::tuple(robot_body.pos.x, robot_body.pos.y, robot_body.pos.z, robot_mesh.yaw); };
  scene_robot_city(0, 2, 0.0f, 0.0f);
  scene_robot_city(0, 1, 0.0f, 0.0f);
  const auto mark = position();
  for (int i = 0; i < 10; ++i) scene_robot_city(40, 1, 1.0f, 0.0f);  // walks off the mark
  scene_robot_city(0, 0, 0.0f, 0.0f);
  scene_robot_city(0, 1, 0.0f, 0.0f);
  EXPECT_EQ(position(), mark) << "the mark does not depend on the shot before";

  // Same shot: each frame closes part of the distance to the target, never overshooting.
  float before = robot_body.pos.x;
  for (int i = 0; i < 5; ++i) {
    scene_robot_city(40, 1, 1.0f, 0.0f);
    EXPECT_GT(robot_body.pos.x, before);
    EXPECT_LT(robot_body.pos.x, 1.0f);
    EXPECT_NEAR(robot_mesh.pos.x, robot_body.pos.x, 1e-6f);
    before = robot_body.pos.x;
  }

  scene_robot_city(40, 0, 1.0f, 0.0f);
  const auto other_mark = position();
  EXPECT_NE(other_mark, mark);
  scene_robot_city(40, 2, 1.0f, 0.0f);
  scene_robot_city(40, 0, 1.0f, 0.0f);
  EXPECT_EQ(position(), other_mark);
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
