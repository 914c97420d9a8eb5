#include <gtest/gtest.h>

#include "scenes/robot_city.h"

namespace {

struct Tick {
  int32_t steps;
  float dt;
};

Tick tick(float* carried, int32_t elapsed_ms) {
  Tick t{};
  t.steps = scene_step_clock(carried, elapsed_ms, &t.dt);
  return t;
}

}  // namespace

TEST(StepClock, ShortFramesCarryTheirTimeUntilAStepIsDue) {
  float carried = 0.0f;
  Tick first = tick(&carried, 1);
  EXPECT_EQ(first.steps, 0);
  EXPECT_EQ(first.dt, 0.0f);
  EXPECT_FLOAT_EQ(carried, 0.001f);
  Tick second = tick(&carried, 1);
  EXPECT_EQ(second.steps, 1);
  EXPECT_FLOAT_EQ(second.dt, 0.002f);
  EXPECT_NEAR(carried, 0.0f, 1e-6f);
}

TEST(StepClock, WholeFramesAreSplitIntoStepsOfTwoToThreeMilliseconds) {
  float carried = 0.0f;
  Tick forty = tick(&carried, 40);
  EXPECT_EQ(forty.steps, 20);
  EXPECT_FLOAT_EQ(forty.dt, 0.002f);
  EXPECT_NEAR(carried, 0.0f, 1e-6f);

  carried = 0.0f;
  Tick odd = tick(&carried, 5);
  EXPECT_EQ(odd.steps, 2);
  EXPECT_FLOAT_EQ(odd.dt, 0.0025f);
  EXPECT_NEAR(carried, 0.0f, 1e-6f);
}

TEST(StepClock, ALongFrameKeepsTheStepLengthAndLeavesTheCapToTheCaller) {
  float carried = 0.0f;
  Tick slow = tick(&carried, 300);
  EXPECT_EQ(slow.steps, 150);
  EXPECT_FLOAT_EQ(slow.dt, 0.002f);
  // 25 of them simulate 0.05 s: the rest of the frame is dropped.
  EXPECT_NEAR(SIM_MAX_STEPS * slow.dt, 0.05f, 1e-6f);
  EXPECT_NEAR(carried, 0.0f, 1e-6f);
}

TEST(StepClock, ABackwardSeekRunsNothingAndCarriesNothing) {
  float carried = 0.0015f;
  Tick back = tick(&carried, -1000);
  EXPECT_LE(back.steps, 0);
  EXPECT_EQ(back.dt, 0.0f);
  EXPECT_EQ(carried, 0.0f);
  Tick zero = tick(&carried, 0);
  EXPECT_EQ(zero.steps, 0);
  EXPECT_EQ(carried, 0.0f);
}
