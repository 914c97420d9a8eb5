#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "sync/track.h"

namespace {

float value_at(std::vector<Keyframe> keys, double row) {
  KeyTrack track{nullptr, keys.data(), static_cast<int32_t>(keys.size())};
  return track_value(&track, row);
}

float between_10_and_12(int32_t kind, double row) {
  return value_at({{10, 0.0f, kind}, {12, 4.0f, INTERP_STEP}}, row);
}

}  // namespace

// Row 10.5 between keys at 10 (value 0) and 12 (value 4): t = 0.25.
TEST(TrackValue, EachKindShapesTheTransitionAndUnknownKindsGiveZero) {
  const std::pair<int32_t, float> at_quarter[] = {
      {INTERP_STEP, 0.0f}, {INTERP_LINEAR, 1.0f}, {INTERP_SMOOTH, 0.625f}, {INTERP_QUADRATIC, 0.25f}};
  for (const auto& [kind, value] : at_quarter) {
    EXPECT_EQ(between_10_and_12(kind, 10.5), value) << "kind " << kind;
    EXPECT_EQ(between_10_and_12(kind, 10.0), 0.0f) << "kind " << kind << " on its own row";
    EXPECT_EQ(between_10_and_12(kind, 12.0), 4.0f) << "kind " << kind << " on the next key";
  }
  // Unknown kinds give zero between their keys.
  for (int32_t kind : {4, -1, -128}) EXPECT_EQ(between_10_and_12(kind, 11.5), 0.0f) << kind;
  // Past the last key the last value holds, whatever its kind.
  EXPECT_EQ(value_at({{0, 1.0f, INTERP_LINEAR}, {4, 7.0f, 4}}, 9.0), 7.0f);
}

// The search floors the row, the fraction does not: a transition moves on
// within a row, and the result is rounded to float only at the end.
TEST(TrackValue, UsesTheUnflooredRowAndRoundsOnce) {
  const std::vector<Keyframe> keys = {{0, 0.0f, INTERP_LINEAR}, {2, 8.0f, INTERP_STEP}};
  EXPECT_EQ(std::pair(value_at(keys, 0.25), value_at(keys, 1.75)), std::pair(1.0f, 7.0f));
  EXPECT_EQ(value_at({{0, 0.0f, INTERP_LINEAR}, {3, 1.0f, INTERP_STEP}}, 1.0), static_cast<float>(1.0 / 3.0));
}

TEST(TrackValue, HoldsTheEndValuesOutsideTheKeys) {
  EXPECT_EQ(value_at({}, -3.5), 0.0f);
  for (double row : {-100.0, 0.0, 7.99, 8.0, 1e6}) EXPECT_EQ(value_at({{8, 5.5f, INTERP_LINEAR}}, row), 5.5f);
  // Seeking back at the start gives negative rows: the first key's value.
  const std::vector<Keyframe> keys = {{0, 2.0f, INTERP_LINEAR}, {64, -1.0f, INTERP_STEP}};
  EXPECT_EQ(std::pair(value_at(keys, -0.004), value_at(keys, -4.0)), std::pair(2.0f, 2.0f));
  // A key at the last row holds for ever after.
  EXPECT_EQ(std::pair(value_at(keys, 64.0), value_at(keys, 8.6e6)), std::pair(-1.0f, -1.0f));
}

// Rows more than 2^31 apart must not wrap into a negative gap.
TEST(TrackValue, FarApartKeysStillInterpolate) {
  EXPECT_NEAR(value_at({{INT32_MIN, 0.0f, INTERP_LINEAR}, {INT32_MAX, 1.0f, INTERP_STEP}}, 0.0), 0.5f, 1e-6);
}
