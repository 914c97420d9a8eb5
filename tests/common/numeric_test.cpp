#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/numeric.h"

TEST(TruncToI32, TruncatesTowardZeroAndMapsUnrepresentableValuesToMin) {
  EXPECT_EQ(trunc_to_i32(2.99), 2);
  EXPECT_EQ(trunc_to_i32(-2.99), -2);
  EXPECT_EQ(trunc_to_i32(-0.5), 0);
  EXPECT_EQ(trunc_to_i32(2147483647.0), INT32_MAX);
  EXPECT_EQ(trunc_to_i32(-2147483648.0), INT32_MIN);
  EXPECT_EQ(trunc_to_i32(2147483648.0), INT32_MIN);
  EXPECT_EQ(trunc_to_i32(1e30), INT32_MIN);
  EXPECT_EQ(trunc_to_i32(std::numeric_limits<double>::quiet_NaN()), INT32_MIN);
}
