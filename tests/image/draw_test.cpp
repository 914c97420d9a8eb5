// Drawing primitives: clipping, line steps and end points, brush discs,
// channel order of the rgb variants.
#include "image/draw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <utility>
#include <vector>

namespace {

std::vector<std::pair<int32_t, int32_t>> plotted;
void record(int32_t x, int32_t y, Pixel) { plotted.emplace_back(x, y); }

class Draw : public ::testing::Test {
 protected:
  void SetUp() override {
    draw_set_brush(1);
    draw_clear(0);
    plotted.clear();
  }
  void TearDown() override { draw_set_brush(1); }
  static int count(Pixel p) { return static_cast<int>(std::count(fb_get(), fb_get() + FRAME_PIXELS, p)); }
  static Pixel at(int x, int y) { return fb_get()[y * FRAME_W + x]; }
  // Line points through a recording plot operation.
  static std::vector<std::pair<int32_t, int32_t>> line_points(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    plotted.clear();
    plot_op = record;
    draw_line(x0, y0, x1, y1, 1);
    draw_set_brush(1);
    return plotted;
  }
};

using Points = std::vector<std::pair<int32_t, int32_t>>;

TEST_F(Draw, LineStepsFromOneStepPastTheStartAndRepeatsTheLastPoint) {
  EXPECT_EQ(line_points(0, 0, 10, 0),
            (Points{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0}, {8, 0}, {9, 0}, {9, 0}}));
  EXPECT_EQ(line_points(0, 0, 0, 10),
            (Points{{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}, {0, 6}, {0, 7}, {0, 8}, {0, 9}, {0, 9}}));
  EXPECT_EQ(line_points(5, 6, 5, 6), (Points{{5, 6}}));
  // Backwards: arithmetic shifts round toward minus infinity.
  EXPECT_EQ(line_points(0, 0, -10, 0),
            (Points{{-1, 0}, {-2, 0}, {-3, 0}, {-4, 0}, {-5, 0}, {-6, 0}, {-7, 0}, {-8, 0}, {-9, 0}, {-10, 0}, {-10, 0}}));
  // Steps come from the longer axis, the shorter one in 8.8 fixed point.
  EXPECT_EQ(line_points(0, 0, 3, 1), (Points{{0, 0}, {1, 0}, {2, 0}, {3, 1}}));
}

TEST_F(Draw, PointsAndLinesOffTheFrameChangeNothing) {
  draw_plot(240, 0, 5);
  draw_plot(0, 150, 5);
  draw_plot(static_cast<uint16_t>(-1), 0, 5);
  draw_line(0, 0, -10, 0, 5);
  draw_line(70000, 5, 70010, 5, 5);   // would wrap to x = 4464.. as 16 bits
  draw_line(65536, 3, 65546, 3, 5);   // would wrap to x = 0..9
  draw_line(3, -65536, 3, -65530, 5);
  draw_set_brush(5);
  draw_line(65536, 3, 65546, 3, 5);
  draw_plot_disc(-1, -1, 5);  // only (0, 0) of its 3 x 3 lies inside
  EXPECT_EQ(std::tuple(count(5), at(0, 0)), std::tuple(1, 5u));
}

TEST_F(Draw, BrushDiscShapes) {
  // Size -> side of the square around the centre, and whether its corners are cut.
  const std::tuple<int, int, bool> shapes[] = {{2, 1, true}, {3, 1, true}, {4, 3, true}, {5, 3, true},
                                               {6, 5, true}, {7, 5, true}, {8, 7, false}, {9, 7, false}};
  for (const auto& [size, side, corners] : shapes) {
    draw_clear(0);
    draw_set_brush(size);
    ASSERT_EQ(plot_op, &draw_plot_disc);
    draw_plot_disc(100, 70, 9);
    const int half = side / 2;
    for (int dy = -5; dy <= 5; ++dy) {
      for (int dx = -5; dx <= 5; ++dx) {
        const bool corner = std::abs(dx) == half && std::abs(dy) == half && half > 0;
        const bool inside = std::abs(dx) <= half && std::abs(dy) <= half && (corners || !corner);
        EXPECT_EQ(at(100 + dx, 70 + dy), inside ? 9u : 0u) << size << " " << dx << "," << dy;
      }
    }
  }
  brush_size = 0;
  draw_clear(0);
  draw_plot_disc(50, 50, 9);
  EXPECT_EQ(count(9), 0);  // no brush, no disc
}

TEST_F(Draw, BrushDecidesLineWidth) {
  draw_set_brush(5);
  draw_line(10, 20, 30, 20, 3);
  EXPECT_EQ(std::tuple(count(3), at(9, 19), at(30, 21)), std::tuple(22 * 3, 3u, 3u));  // x = 9..30, rows 19..21
}

TEST_F(Draw, RgbVariantsTakeTheirChannelsInOppositeOrders) {
  draw_clear_rgb(255, 0, 0);
  EXPECT_EQ(count(pixel_rgba(255, 0, 0, 0)), FRAME_PIXELS);
  draw_line_rgb(0, 0, 5, 0, 255, 0, 0);
  EXPECT_EQ(at(2, 0), pixel_rgba(0, 0, 255, 0));  // blue
  draw_line_rgb(0, 1, 5, 1, 1, 2, 3);
  EXPECT_EQ(at(2, 1), pixel_rgba(3, 2, 1, 0));
}

}  // namespace
