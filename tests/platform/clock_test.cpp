#include <gtest/gtest.h>

#include "platform/clock.h"

// Headless runs: time starts at 0 and moves only with presented frames, by
// a step that need not be a whole number of ms, without drifting.
TEST(Clock, VirtualTimeAdvancesPerFrameWithoutDrift) {
  clock_use_virtual(1000.0 / 3.0);
  EXPECT_EQ(clock_ms(), 0u);
  clock_advance_frame();
  EXPECT_EQ(clock_ms(), 333u);
  for (int i = 0; i < 2; ++i) clock_advance_frame();
  EXPECT_EQ(clock_ms(), 1000u);
  for (int i = 0; i < 3000; ++i) clock_advance_frame();
  EXPECT_EQ(clock_ms(), 1001000u);
  clock_use_virtual(20.0);
  EXPECT_EQ(clock_ms(), 0u);
}
