#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "sync/track.h"

namespace {

KeyTrack make_track(std::vector<Keyframe>& keys) {
  return KeyTrack{nullptr, keys.data(), static_cast<int32_t>(keys.size())};
}

float between_10_and_12(int32_t kind, double row) {
  std::vector<Keyframe> keys = {{10, 0.0f, kind}, {12, 4.0f, INTERP_STEP}};
  KeyTrack track = make_track(keys);
  return track_value(&track, row);
}

}  // namespace

// Row 10.5 between keys at 10 (value 0) and 12 (value 4): t = 0.25.
TEST(TrackValue, EachKindShapesTheTransitionAndUnknownKindsGiveZero) {
  EXPECT_EQ(between_10_and_12(INTERP_STEP, 10.5), 0.0f);
  EXPECT_EQ(between_10_and_12(INTERP_LINEAR, 10.5), 1.0f);
  EXPECT_EQ(between_10_and_12(INTERP_SMOOTH, 10.5), 0.625f);
  EXPECT_EQ(between_10_and_12(INTERP_QUADRATIC, 10.5), 0.25f);
  for (int32_t kind : {INTERP_STEP, INTERP_LINEAR, INTERP_SMOOTH, INTERP_QUADRATIC}) {
    EXPECT_EQ(between_10_and_12(kind, 10.0), 0.0f) << "kind " << kind << " on its own row";
    EXPECT_EQ(between_10_and_12(kind, 12.0), 4.0f) << "kind " << kind << " on the next key";
  }
  // Unknown kinds give zero between their keys.
  for (int32_t kind : {4, -1, -128}) EXPECT_EQ(between_10_and_12(kind, 11.5), 0.0f) << kind;
  // Past the last key the last value holds, whatever its kind.
  std::vector<Keyframe> keys = {{0, 1.0f, INTERP_LINEAR}, {4, 7.0f, 4}};
  KeyTrack track = make_track(keys);
  EXPECT_EQ(track_value(&track, 9.0), 7.0f);
}

// The search floors the row, the fraction does not: a transition moves on
// within a row, and the result is rounded to float only at the end.
TEST(TrackValue, UsesTheUnflooredRowAndRoundsOnce) {
  std::vector<Keyframe> keys = {{0, 0.0f, INTERP_LINEAR}, {2, 8.0f, INTERP_STEP}};
  KeyTrack track = make_track(keys);
  EXPECT_EQ(track_value(&track, 0.25), 1.0f);
  EXPECT_EQ(track_value(&track, 1.75), 7.0f);

  std::vector<Keyframe> thirds = {{0, 0.0f, INTERP_LINEAR}, {3, 1.0f, INTERP_STEP}};
  KeyTrack third_track = make_track(thirds);
  EXPECT_EQ(track_value(&third_track, 1.0), static_cast<float>(1.0 / 3.0));
}

TEST(TrackValue, HoldsTheEndValuesOutsideTheKeys) {
  KeyTrack empty{};
  for (double row : {0.0, -3.5}) EXPECT_EQ(track_value(&empty, row), 0.0f);

  std::vector<Keyframe> one = {{8, 5.5f, INTERP_LINEAR}};
  KeyTrack single = make_track(one);
  for (double row : {-100.0, 0.0, 7.99, 8.0, 1e6}) EXPECT_EQ(track_value(&single, row), 5.5f);

  // Seeking back at the start gives negative rows: the first key's value.
  std::vector<Keyframe> keys = {{0, 2.0f, INTERP_LINEAR}, {64, -1.0f, INTERP_STEP}};
  KeyTrack track = make_track(keys);
  EXPECT_EQ(track_value(&track, -0.004), 2.0f);
  EXPECT_EQ(track_value(&track, -4.0), 2.0f);
  // A key at the last row holds for ever after.
  EXPECT_EQ(track_value(&track, 64.0), -1.0f);
  EXPECT_EQ(track_value(&track, 8.6e6), -1.0f);
}

// Rows more than 2^31 apart must not wrap into a negative gap.
TEST(TrackValue, FarApartKeysStillInterpolate) {
  std::vector<Keyframe> keys = {{INT32_MIN, 0.0f, INTERP_LINEAR}, {INT32_MAX, 1.0f, INTERP_STEP}};
  KeyTrack track = make_track(keys);
  EXPECT_NEAR(track_value(&track, 0.0), 0.5f, 1e-6);
}

TEST(TrackLocateRow, FindsKeysOrTheirInsertionPlace) {
  std::vector<Keyframe> keys = {{-4, 0, 0}, {0, 0, 0}, {10, 0, 0}, {12, 0, 0}};
  KeyTrack track = make_track(keys);
  const std::pair<int32_t, int32_t> rows[] = {{-4, 0}, {12, 3}, {-5, -1}, {11, -1 - 3}, {13, -1 - 4}};
  for (const auto& [row, at] : rows) EXPECT_EQ(track_locate_row(&track, row), at) << row;
  KeyTrack empty{};
  EXPECT_EQ(track_locate_row(&empty, 0), -1);
}
