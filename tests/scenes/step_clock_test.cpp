#include <gtest/gtest.h>

#include <algorithm>

#include "scenes/robot_city.h"

// Frames are split into steps of two to three milliseconds; a short frame
// carries its time until a step is due, a backward seek runs and carries
// nothing. A long frame keeps the step length: the cap is the caller's.
TEST(StepClock, SplitsFramesIntoStepsAndCarriesTheRest) {
  struct Case {
    float carried_before;
    int32_t elapsed_ms;
    int32_t steps;
    float dt;
    float carried_after;
  } cases[] = {
      {0.0f, 1, 0, 0.0f, 0.001f},      {0.001f, 1, 1, 0.002f, 0.0f},  {0.0f, 40, 20, 0.002f, 0.0f},
      {0.0f, 5, 2, 0.0025f, 0.0f},     {0.0f, 300, 150, 0.002f, 0.0f}, {0.0015f, -1000, 0, 0.0f, 0.0f},
      {0.0f, 0, 0, 0.0f, 0.0f},
  };
  for (const Case& c : cases) {
    float carried = c.carried_before, dt = -1.0f;
    int32_t steps = scene_step_clock(&carried, c.elapsed_ms, &dt);
    SCOPED_TRACE(testing::Message() << c.elapsed_ms << " ms after " << c.carried_before);
    EXPECT_EQ(std::max(steps, 0), c.steps);  // a backward seek may count negative steps
    EXPECT_FLOAT_EQ(dt, c.dt);
    EXPECT_NEAR(carried, c.carried_after, 1e-6f);
  }
}
