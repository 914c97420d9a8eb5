#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <cstring>
#include <memory>

#include "common/frame.h"
#include "image/draw.h"
#include "viewers/gml_view.h"

namespace {

std::unique_ptr<GmlDrawing> one_stroke(std::initializer_list<std::array<float, 3>> points) {
  auto d = std::make_unique<GmlDrawing>();
  std::memset(d.get(), 0, sizeof(GmlDrawing));
  d->stroke_count = 1;
  GmlStroke& s = d->strokes[0];
  for (const auto& p : points) {
    std::tie(s.points[s.point_count][0], s.points[s.point_count][1], s.times[s.point_count]) = std::tuple(p[0], p[1], p[2]);
    s.point_count++;
  }
  return d;
}

int lit_pixels() { return FRAME_PIXELS - static_cast<int>(std::count(frame_buffer, frame_buffer + FRAME_PIXELS, 0u)); }


}  // namespace

TEST(GmlView, WidthFollowsSpeed) {
  // 24 columns in one time unit: speed 0.48, width capped at 8.
  auto d = one_stroke({{0.0f, 0.0f, 0.0f}, {0.1f, 0.0f, 1.0f}});
  EXPECT_EQ(gml_segment_width(&d->strokes[0], 0), 8.0f);
  // Both axes count in column units: 240 + 240 in a tenth: speed 96.
  d = one_stroke({{0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 0.1f}});
  EXPECT_NEAR(gml_segment_width(&d->strokes[0], 0), 8.0f / 96.0f, 1e-4f);
  // Equal times: infinite speed, width 0. Standing still: speed 0, width 0.
  d = one_stroke({{0.0f, 0.0f, 2.0f}, {0.5f, 0.0f, 2.0f}, {0.5f, 0.0f, 3.0f}});
  EXPECT_EQ(std::tuple(gml_segment_width(&d->strokes[0], 0), gml_segment_width(&d->strokes[0], 1)), std::tuple(0.0f, 0.0f));
  // Same place and same time: no number at all, yet width 0, and the
  // smoothed brush stays a number.
  d = one_stroke({{0.5f, 0.5f, 1.0f}, {0.5f, 0.5f, 1.0f}});
  EXPECT_EQ(gml_segment_width(&d->strokes[0], 0), 0.0f);
  gml_draw_frame(d.get(), 1000);
  EXPECT_FALSE(std::isnan(brush_smooth));
}

TEST(GmlView, SegmentsAppearWhenTheirFirstPointsTimeComes) {
  auto d = one_stroke({{0.1f, 0.5f, 3.0f}, {0.9f, 0.5f, 3.5f}, {0.9f, 0.9f, 32.0f}, {0.1f, 0.9f, 33.0f}});
  gml_draw_frame(d.get(), 1499);
  EXPECT_EQ(lit_pixels(), 0);
  gml_draw_frame(d.get(), 1500);
  EXPECT_EQ(frame_buffer[75 * FRAME_W + 120], pixel_rgba(200, 200, 200, 0));
  // The segment from time 32 would start at 16 s: never within the replay.
  gml_draw_frame(d.get(), GML_REPLAY_MS - 1);
  // Not the bottom segment; the time-3.5 one down the right is there.
  EXPECT_TRUE(frame_buffer[135 * FRAME_W + 120] == 0 && frame_buffer[120 * FRAME_W + 216] != 0);
}

TEST(GmlView, OneOrNoPointDrawsNothingAndFarCoordinatesAreSkipped) {
  auto d = one_stroke({{0.5f, 0.5f, 0.0f}});
  d->stroke_count = 2;  // the second stroke has no points
  gml_draw_frame(d.get(), 5000);
  EXPECT_EQ(lit_pixels(), 0);
  d = one_stroke({{-1e9f, 0.5f, 0.0f}, {1e9f, 0.5f, 1.0f}, {NAN, 0.2f, 1.0f}, {0.5f, 0.2f, 2.0f}});
  gml_draw_frame(d.get(), 5000);
  EXPECT_EQ(lit_pixels(), 0);
}

